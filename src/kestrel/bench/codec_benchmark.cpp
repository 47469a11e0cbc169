// Decodes and encodes the same A4 pages with our codec and with libtiff, and prints the
// throughput ratio ours / libtiff per scheme, page and resolution. Not a test.
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/tests/test_support.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct Scheme {
    const char* name;
    CodingMode mode;
    uint16_t compression;
    uint32_t t4Options;
};
const Scheme kSchemes[] = {
    {"G4", CodingMode::Group4, COMPRESSION_CCITTFAX4, 0},
    {"G3-2D", CodingMode::Group3TwoDim, COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING},
    {"G3-1D", CodingMode::Group3OneDim, COMPRESSION_CCITTFAX3, 0},
    {"MH", CodingMode::ModifiedHuffman, COMPRESSION_CCITTRLE, 0},
};
const PageKind kPages[] = {PageKind::Text, PageKind::NoisyText, PageKind::Photo};
const char* pageName(PageKind k) { return k == PageKind::Text ? "text" : k == PageKind::NoisyText ? "noisy" : "photo"; }

const Bitmap& page(PageKind kind, int dpi) {
    static std::map<std::pair<int, int>, Bitmap> pages;
    const auto key = std::make_pair(static_cast<int>(kind), dpi);
    auto it = pages.find(key);
    if (it == pages.end())
        it = pages.emplace(key, pageImage(kind, dpi == 300 ? 2480 : 1728, dpi == 300 ? 3508 : 2339, 42)).first;
    return it->second;
}

// libtiff writes into a memory file through its client procedures.
struct MemoryFile {
    std::vector<uint8_t> bytes;
    toff_t position = 0;
};
tmsize_t memRead(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    const tmsize_t available = static_cast<tmsize_t>(f->bytes.size()) - static_cast<tmsize_t>(f->position);
    const tmsize_t count = std::max<tmsize_t>(0, std::min(n, available));
    std::memcpy(buf, f->bytes.data() + f->position, static_cast<size_t>(count));
    f->position += count;
    return count;
}
tmsize_t memWrite(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    if (f->position + n > f->bytes.size()) f->bytes.resize(f->position + n);
    std::memcpy(f->bytes.data() + f->position, buf, static_cast<size_t>(n));
    f->position += n;
    return n;
}
toff_t memSeek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    f->position = whence == SEEK_SET ? off : whence == SEEK_CUR ? f->position + off : f->bytes.size() + off;
    return f->position;
}
int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return static_cast<MemoryFile*>(h)->bytes.size(); }
int memMap(thandle_t, void**, toff_t*) { return 0; }
void memUnmap(thandle_t, void*, toff_t) {}

TIFF* openMemory(MemoryFile& f, const char* mode) {
    return TIFFClientOpen("mem", mode, &f, memRead, memWrite, memSeek, memClose, memSize, memMap, memUnmap);
}

MemoryFile libtiffEncode(const Bitmap& image, const Scheme& s) {
    MemoryFile f;
    TIFF* tif = openMemory(f, "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, image.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, image.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, image.height);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
    if (s.compression == COMPRESSION_CCITTFAX3) TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, s.t4Options);
    TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(image.bits.data()), static_cast<tmsize_t>(image.bits.size()));
    TIFFClose(tif);
    return f;
}

void libtiffDecode(MemoryFile& f, std::vector<uint8_t>& out) {
    f.position = 0;
    TIFF* tif = openMemory(f, "r");
    TIFFReadEncodedStrip(tif, 0, out.data(), static_cast<tmsize_t>(out.size()));
    TIFFClose(tif);
}

std::map<std::string, double> g_rates; // name -> bytes of raw rows per second

void record(benchmark::State& state, const std::string& name, size_t rawBytes) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rawBytes));
    (void)name;
}

void oursEncode(benchmark::State& state, const Scheme& s, PageKind kind, int dpi) {
    const Bitmap& image = page(kind, dpi);
    std::vector<uint8_t> out(image.bits.size() * 2 + 65536);
    for (auto _ : state) {
        const EncodeOutcome o = encodeRows(s.mode, 4, image.format(), image.span(), image.height,
                                           ByteSpan{out.data(), out.size()});
        benchmark::DoNotOptimize(o.bytes);
    }
    record(state, "", image.bits.size());
}

void libtiffEncodeBench(benchmark::State& state, const Scheme& s, PageKind kind, int dpi) {
    const Bitmap& image = page(kind, dpi);
    for (auto _ : state) {
        MemoryFile f = libtiffEncode(image, s);
        benchmark::DoNotOptimize(f.bytes.data());
    }
    record(state, "", image.bits.size());
}

void oursDecode(benchmark::State& state, const Scheme& s, PageKind kind, int dpi) {
    const Bitmap& image = page(kind, dpi);
    const std::vector<uint8_t> coded = encode(s.mode, 4, image);
    std::vector<uint8_t> out(image.bits.size());
    for (auto _ : state) {
        const DecodeOutcome o = decodeRows(s.mode, image.format(), ConstByteSpan{coded.data(), coded.size()},
                                           image.height, ByteSpan{out.data(), out.size()});
        benchmark::DoNotOptimize(o.bytes);
    }
    if (out != image.bits) state.SkipWithError("decoded pixels differ");
    record(state, "", image.bits.size());
}

void libtiffDecodeBench(benchmark::State& state, const Scheme& s, PageKind kind, int dpi) {
    const Bitmap& image = page(kind, dpi);
    MemoryFile f = libtiffEncode(image, s);
    std::vector<uint8_t> out(image.bits.size());
    for (auto _ : state) {
        libtiffDecode(f, out);
        benchmark::DoNotOptimize(out.data());
    }
    if (out != image.bits) state.SkipWithError("libtiff decoded pixels differ");
    record(state, "", image.bits.size());
}

// With repetitions, the "max" aggregate of the throughput is the fastest repetition: on a shared
// machine the least disturbed measure of each side.
double largest(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

// Collects the per-benchmark rates so that the ratios can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            const auto it = r.counters.find("bytes_per_second");
            if (it != r.counters.end()) g_rates[r.benchmark_name()] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    TIFFSetWarningHandler(nullptr);
    for (const Scheme& s : kSchemes)
        for (int dpi : {300, 200})
            for (PageKind kind : kPages)
                for (const char* op : {"decode", "encode"}) {
                    const std::string suffix = std::string(op) + "/" + s.name + "/" + pageName(kind) + "/" + std::to_string(dpi);
                    const bool decode = op[0] == 'd';
                    benchmark::RegisterBenchmark(("ours/" + suffix).c_str(), decode ? oursDecode : oursEncode, s, kind, dpi)
                        ->Unit(benchmark::kMillisecond)
                        ->ComputeStatistics("max", largest);
                    benchmark::RegisterBenchmark(("libtiff/" + suffix).c_str(),
                                                 decode ? libtiffDecodeBench : libtiffEncodeBench, s, kind, dpi)
                        ->Unit(benchmark::kMillisecond)
                        ->ComputeStatistics("max", largest);
                }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-32s %12s %12s %8s\n", "operation/scheme/page/dpi", "ours MB/s", "libtiff MB/s", "ratio");
    for (const auto& [name, rate] : g_rates) {
        if (name.rfind("ours/", 0) != 0) continue;
        const std::string rest = name.substr(5);
        const auto theirs = g_rates.find("libtiff/" + rest);
        if (theirs == g_rates.end() || theirs->second <= 0) continue;
        std::printf("%-32s %12.1f %12.1f %7.2fx\n", rest.c_str(), rate / 1e6, theirs->second / 1e6, rate / theirs->second);
    }
    return 0;
}
