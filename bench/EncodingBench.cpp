// Detecting and decoding the encoding of a document read by Open and drop,
// beside the floors measured in the same run: Qt's own UTF-8 validation and
// decoding, and memchr over the same bytes. Figures are per document; the
// target is 10 ms per 10 MB of detection.
#include "BenchData.h"
#include "Cp932.h"
#include "TextEncoding.h"

#include <QUtf8StringView>
#include <benchmark/benchmark.h>
#include <cstring>

namespace {

// The shared Japanese and ASCII document as UTF-8 (about 15 MB).
const QByteArray& Utf8Document() {
    static const QByteArray doc = LargeDocumentText().toUtf8();
    return doc;
}

void Report(benchmark::State& state, const QByteArray& doc) {
    state.SetBytesProcessed(state.iterations() * doc.size());
    state.counters["MB"] = double(doc.size()) / 1e6;
}

void BM_DetectUtf8(benchmark::State& state) {
    const QByteArray& doc = Utf8Document();
    for (auto _ : state)
        benchmark::DoNotOptimize(DetectEncoding(doc));
    Report(state, doc);
}
BENCHMARK(BM_DetectUtf8)->Unit(benchmark::kMillisecond);

// A CP932 document stops at its first byte that UTF-8 cannot start.
void BM_DetectCp932(benchmark::State& state) {
    const QByteArray doc = LargeCp932Document();
    for (auto _ : state)
        benchmark::DoNotOptimize(DetectEncoding(doc));
    Report(state, doc);
}
BENCHMARK(BM_DetectCp932)->Unit(benchmark::kMillisecond);

// Pure ASCII is read to the end.
void BM_DetectAscii(benchmark::State& state) {
    const QByteArray doc(Utf8Document().size(), 'a');
    for (auto _ : state)
        benchmark::DoNotOptimize(DetectEncoding(doc));
    Report(state, doc);
}
BENCHMARK(BM_DetectAscii)->Unit(benchmark::kMillisecond);

void BM_DetectFloor_QtIsValidUtf8(benchmark::State& state) {
    const QByteArray& doc = Utf8Document();
    for (auto _ : state)
        benchmark::DoNotOptimize(QUtf8StringView(doc).isValidUtf8());
    Report(state, doc);
}
BENCHMARK(BM_DetectFloor_QtIsValidUtf8)->Unit(benchmark::kMillisecond);

void BM_DetectFloor_Memchr(benchmark::State& state) {
    const QByteArray& doc = Utf8Document();
    for (auto _ : state)
        benchmark::DoNotOptimize(std::memchr(doc.constData(), 0, size_t(doc.size())));
    Report(state, doc);
}
BENCHMARK(BM_DetectFloor_Memchr)->Unit(benchmark::kMillisecond);

// Detection and decoding together, as ReadTextFile does them.
void BM_DecodeUtf8(benchmark::State& state) {
    const QByteArray& doc = Utf8Document();
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeText(doc));
    Report(state, doc);
}
BENCHMARK(BM_DecodeUtf8)->Unit(benchmark::kMillisecond);

void BM_DecodeFloor_QtFromUtf8(benchmark::State& state) {
    const QByteArray& doc = Utf8Document();
    for (auto _ : state)
        benchmark::DoNotOptimize(QString::fromUtf8(doc));
    Report(state, doc);
}
BENCHMARK(BM_DecodeFloor_QtFromUtf8)->Unit(benchmark::kMillisecond);

// The save's one pass over the text: CP932, CR LF and the characters CP932
// cannot hold (none here), against the codec alone with a CR LF copy after.
void BM_EncodePage(benchmark::State& state) {
    const QString text = LargeDocumentText();
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodePage(text));
    Report(state, LargeCp932Document());
}
BENCHMARK(BM_EncodePage)->Unit(benchmark::kMillisecond);

void BM_EncodePageFloor_EncodeThenCrLf(benchmark::State& state) {
    const QString text = LargeDocumentText();
    for (auto _ : state)
        benchmark::DoNotOptimize(Cp932::Encode(text).replace("\n", "\r\n"));
    Report(state, LargeCp932Document());
}
BENCHMARK(BM_EncodePageFloor_EncodeThenCrLf)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
