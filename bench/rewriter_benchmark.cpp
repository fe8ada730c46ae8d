// Throughput of the UCF rewriter on its two kinds of work: writing the lines for a large
// binary, and taking a component's lines out of a large UCF (or the lines of a memory's
// lanes, in one walk whatever their number); and of the block stream that the conversion run
// writes the lines from. bench/README.md has the figures.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string>
#include <vector>

#include "conversion/core/components_removal.h"
#include "conversion/core/generated_line_stream.h"
#include "conversion/core/generated_lines.h"
#include "conversion/core/ucf_rewriter.h"

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

// Where the result's memory comes from. Fresh: every result is a new mapping whose pages the
// kernel must fault in and clear, as in a program that converts once, where that is part of
// the cost. Reused: the allocator keeps freed memory, so the figure is the rewriter's own
// speed against memory already mapped.
void UseFreshPages(bool fresh) {
#if defined(__GLIBC__)
    const int defaultThreshold = 128 * 1024;
    mallopt(M_MMAP_THRESHOLD, fresh ? defaultThreshold : 1 << 30);
    mallopt(M_TRIM_THRESHOLD, fresh ? defaultThreshold : 1 << 30);
#else
    (void)fresh;
#endif
}

std::vector<std::uint8_t> RandomBytes(std::size_t n) {
    std::minstd_rand rng(1);
    std::vector<std::uint8_t> bytes(n);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
    return bytes;
}

// A UCF of about `size` bytes: a third of its lines constrain instances of bram (INIT values
// and locations, as earlier conversions and the user leave them), interleaved at random with
// nets, timing, comments and the instances of other components.
std::string MixedUcf(std::size_t size) {
    std::minstd_rand rng(2);
    const std::string hex = "0123456789ABCDEF";
    const char* others[] = {
        "NET \"clk\" TNM_NET = \"clk\";\r\n",
        "TIMESPEC \"TS_clk\" = PERIOD \"clk\" 20 ns HIGH 50%;\r\n",
        "NET \"data<%>\" LOC = \"P%\" | IOSTANDARD = LVCMOS33;\r\n",
        "# pin assignments for bank %\r\n",
        "INST fifo_% LOC = RAMB16_X1Y%;\r\n",
        "  INST \"cpu/alu_%\" RLOC = X0Y%;\r\n",
        // One element split over two lines; the parentheses tell clang it is meant.
        ("INST bram_buffer_% INIT_03 = "
         "00000000000000000000000000000000000000000000000000000000000000FF;\r\n"),
    };
    std::string ucf;
    ucf.reserve(size + 256);
    while (ucf.size() < size) {
        const unsigned k = rng() % 64;
        if (rng() % 3 == 0) {
            ucf += "INST bram";
            // Appended piece by piece: GCC 12 at -O3 takes `"_" + std::to_string(k)` for an
            // overlapping copy (a false -Wrestrict).
            if (k != 0) {
                ucf += '_';
                ucf += std::to_string(k);
            }
            if (rng() % 8 == 0) {
                ucf += " LOC = RAMB16_X0Y";
                ucf += std::to_string(k);
                ucf += ";\r\n";
            } else {
                ucf += " INIT_0";
                ucf += hex[rng() % 16];
                ucf += " = ";
                for (int i = 0; i < 64; ++i) ucf += hex[rng() % 16];
                ucf += ";\r\n";
            }
        } else {
            for (const char* p = others[rng() % std::size(others)]; *p != '\0'; ++p) {
                if (*p == '%') {
                    ucf += std::to_string(k);
                } else {
                    ucf += *p;
                }
            }
        }
    }
    return ucf;
}

void BM_GenerateLines(benchmark::State& state) {
    const auto data = RandomBytes(16 * kMiB);
    UseFreshPages(state.range(0) != 0);
    for (auto _ : state) {
        std::string out = RewriteUcf(data.data(), static_cast<std::uint32_t>(data.size()), "",
                                     "bram", SynthesizerKind::Synopsys);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    state.SetLabel("source bytes");
}
BENCHMARK(BM_GenerateLines)->ArgName("fresh_pages")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The lines in blocks as the stream formats them, taken by a sink that only
// touches them: the formatting speed the run's writes can draw on.
void BM_StreamLines(benchmark::State& state) {
    const auto data = RandomBytes(64 * kMiB);
    const GeneratedLines lines{data.data(), static_cast<std::uint32_t>(data.size()), "bram",
                               SynthesizerKind::Synopsys};
    for (auto _ : state) {
        const bool taken = StreamGeneratedLines(lines, [](const char* text, std::size_t size) {
            benchmark::DoNotOptimize(text[size - 1]);
            return true;
        });
        benchmark::DoNotOptimize(taken);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    state.SetLabel("source bytes");
}
BENCHMARK(BM_StreamLines)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RemoveLines(benchmark::State& state) {
    const std::string ucf = MixedUcf(64 * kMiB);
    const auto synthesizer = static_cast<SynthesizerKind>(state.range(0));
    UseFreshPages(state.range(1) != 0);
    for (auto _ : state) {
        std::string out = RewriteUcf(nullptr, 0, ucf, "bram", synthesizer);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ucf.size()));
    state.SetLabel("UCF bytes");
}
BENCHMARK(BM_RemoveLines)
    ->ArgNames({"synthesizer", "fresh_pages"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// A UCF of about `size` bytes as a conversion of a memory in 64 lanes leaves it: each lane's
// INIT_xx lines after the other's, between the user's lines.
std::string LanesUcf(std::size_t size) {
    std::minstd_rand rng(3);
    const std::string hex = "0123456789ABCDEF";
    std::string ucf = "NET \"clk\" TNM_NET = \"clk\";\r\n";
    const std::size_t perLane = size / 64 / 90;  // lines of about 90 bytes
    for (unsigned lane = 0; lane < 64; ++lane) {
        for (std::size_t line = 0; line < perLane; ++line) {
            ucf += "INST lane";
            ucf += std::to_string(lane);
            if (line >= 16) {
                ucf += '_';
                ucf += std::to_string(line / 16);
            }
            ucf += " INIT_0";
            ucf += hex[line % 16];
            ucf += " = ";
            for (int i = 0; i < 64; ++i) ucf += hex[rng() % 16];
            ucf += ";\r\n";
        }
    }
    return ucf + "# end\r\n";
}

// The lines of the first N of the 64 lanes removed: one walk, so the time hardly grows with N.
void BM_RemoveComponents(benchmark::State& state) {
    const std::string ucf = LanesUcf(16 * kMiB);
    std::vector<std::string> names;
    for (int lane = 0; lane < state.range(0); ++lane)
        names.push_back("lane" + std::to_string(lane));
    const std::vector<std::string_view> components(names.begin(), names.end());
    UseFreshPages(false);
    for (auto _ : state) {
        const ComponentsKeptText kept =
            KeptUcfTextOfComponents(ucf, components, SynthesizerKind::Synopsys, false);
        benchmark::DoNotOptimize(kept.text.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ucf.size()));
    state.SetLabel("UCF bytes");
}
BENCHMARK(BM_RemoveComponents)->Arg(1)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
