// The main dialog as the GUI tests use it: a private folder with its own profile, the dialog
// run modally on its own thread as the program's main window, and its window to act on.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "control_actions.h"
#include "modal_run.h"
#include "profile_value.h"
#include "tests/support/test_files.h"
#include "window_queries.h"
#include "resources/resource.h"
#include "ui/ConverterApp.h"
#include "ui/ConverterDlg.h"

inline constexpr char kMainCaption[] = "Quillon UCF Converter";

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = AfxGetApp();
        ASSERT_NE(app_, nullptr) << "the application object is missing";
        savedProfile_ = app_->m_strProfileName;
        app_->m_strProfileName = Profile();
    }

    void TearDown() override {
        run_.reset();  // cancels whatever a failed test left open
        if (app_ != nullptr) {
            app_->m_pMainWnd = nullptr;
            app_->m_strProfileName = savedProfile_;
        }
        dialog_.reset();
    }

    std::string Profile() const { return (folder_ / "Quillon.ini"); }
    const TempFolder& Folder() const { return folder_; }

    // Opens the main dialog as the program does and returns its window once it shows.
    HWND OpenDialog() {
        dialog_ = std::make_unique<CConverterDlg>();
        app_->m_pMainWnd = dialog_.get();
        run_ = std::make_unique<guitest::ModalRun>([this] { return dialog_->DoModal(); });
        window_ = run_->WaitForDialog(kMainCaption);
        return window_;
    }

    HWND Window() const { return window_; }
    guitest::ModalRun& Run() { return *run_; }

    // Waits for the dialog to end and returns its result, or -2 when it stays open.
    INT_PTR WaitForClose() {
        if (!run_->WaitForEnd()) return -2;
        return run_->Result();
    }

    // A visible dialog window of the dialog's thread with this caption (a message box, the
    // About box, the Open dialog), or nullptr when none shows up in time.
    HWND WaitForWindow(const std::string& caption) { return run_->WaitForDialog(caption); }

private:
    TempFolder folder_;
    CWinApp* app_ = nullptr;
    std::string savedProfile_;
    std::unique_ptr<CConverterDlg> dialog_;
    std::unique_ptr<guitest::ModalRun> run_;
    HWND window_ = nullptr;
};

// Fails the calling test at once when the dialog did not open.
#define OPEN_MAIN_DIALOG(hwnd) \
    HWND hwnd = OpenDialog();  \
    ASSERT_NE(hwnd, nullptr) << "the main dialog did not show up in time"
