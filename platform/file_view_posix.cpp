// A mapped file view. Reading a mapped page that the file no longer reaches raises SIGBUS;
// a handler turns that page into zeros and marks the view torn, so that a UCF another program
// cuts while a run reads it fails that run with "the file ended sooner" instead of ending
// the program.
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <utility>

#include "platform/file_access.h"
#include "platform/file_view.h"

namespace {

// The views being read, as the signal handler sees them: lock-free atomics only.
struct GuardedRange {
    std::atomic<bool> used{false};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> torn{false};
};
constexpr int kGuardedRanges = 16;
GuardedRange guarded[kGuardedRanges];
std::uintptr_t pageSize = 4096;
struct sigaction previousAction;

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardedRange& range : guarded) {
        if (at < range.begin.load() || at >= range.end.load()) continue;
        void* page = reinterpret_cast<void*>(at & ~(pageSize - 1));
        if (::mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
            MAP_FAILED)
            break;
        range.torn.store(true);
        return;  // the read is tried again and finds zeros
    }
    // Not a view's page: the bus error is handled as it would have been without this handler.
    ::sigaction(signal, &previousAction, nullptr);
    if (previousAction.sa_flags & SA_SIGINFO) {
        if (previousAction.sa_sigaction) previousAction.sa_sigaction(signal, info, context);
    } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(signal);
    } else {
        ::raise(signal);  // pending until this handler returns, then the default action
    }
}

void InstallBusErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action = {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousAction);
    });
}

int Guard(const char* data, std::size_t size) {
    for (int i = 0; i < kGuardedRanges; ++i) {
        bool expected = false;
        if (!guarded[i].used.compare_exchange_strong(expected, true)) continue;
        guarded[i].torn.store(false);
        guarded[i].end.store(reinterpret_cast<std::uintptr_t>(data) + size);
        guarded[i].begin.store(reinterpret_cast<std::uintptr_t>(data));
        return i;
    }
    return -1;
}

void Unguard(int index) {
    guarded[index].begin.store(0);
    guarded[index].end.store(0);
    guarded[index].used.store(false);
}

}  // namespace

FileView::~FileView() {
    Release();
}

FileView::FileView(FileView&& other) noexcept
    : copy_(std::move(other.copy_)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      guard_(std::exchange(other.guard_, -1)) {}

FileView& FileView::operator=(FileView&& other) noexcept {
    if (this != &other) {
        Release();
        copy_ = std::move(other.copy_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        guard_ = std::exchange(other.guard_, -1);
    }
    return *this;
}

std::string_view FileView::Text() const {
    if (data_ == nullptr) return {copy_.chars(), copy_.size()};
    return {data_, size_};
}

bool FileView::Torn() const {
    return guard_ >= 0 && guarded[guard_].torn.load();
}

bool FileView::Map(int fd, std::size_t size) {
    Release();
    InstallBusErrorHandler();
    // All pages at once: one call instead of a fault every few pages.
    void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (mapping == MAP_FAILED) return false;
    const auto* data = static_cast<const char*>(mapping);
    const int guard = Guard(data, size);
    if (guard < 0) {
        ::munmap(mapping, size);
        errno = ENOMEM;
        return false;
    }
    data_ = data;
    size_ = size;
    guard_ = guard;
    return true;
}

void FileView::Release() {
    if (data_ == nullptr) return;
    // Forgotten by the handler first: the range may be mapped again for something else.
    Unguard(guard_);
    ::munmap(const_cast<char*>(data_), size_);
    data_ = nullptr;
    size_ = 0;
    guard_ = -1;
}

bool File::ShowWhole(FileView& view, std::size_t size) {
    // Some file systems cannot map files: a copy serves there.
    if (!view.Map(fd_, size)) return ViewCopy(view, size);
    if (TakeWholeRead(size)) return true;
    view = FileView();
    return Failed(SystemErrorFor(FileProblem::ReadFault));
}
