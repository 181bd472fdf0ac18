// Replays the fuzzing seed corpora through the harnesses' own entry
// functions.
#include "IniFuzzEntry.h"
#include "StreamFuzzEntry.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

void Replay(const char* folder, int (*entry)(const std::uint8_t*, std::size_t)) {
    const QDir corpus(QString::fromUtf8(folder));
    const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 5) << "corpus missing at " << folder;
    for (const QString& name : files) {
        QFile f(corpus.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = f.readAll();
        try {
            entry(reinterpret_cast<const std::uint8_t*>(bytes.constData()), size_t(bytes.size()));
        } catch (const std::logic_error& failure) { // a harness check failed
            ADD_FAILURE() << name.toStdString() << ": " << failure.what();
        }
    }
}

TEST(CorpusTest, EveryIniSeedPassesTheHarnessChecks) {
    Replay(INI_CORPUS_DIR, IniFuzzOne);
}

TEST(CorpusTest, EveryHexLineSeedPassesTheHarnessChecks) {
    Replay(HEX_LINE_CORPUS_DIR, HexLineFuzzOne);
}

TEST(CorpusTest, EveryComponentStreamSeedPassesTheHarnessChecks) {
    Replay(COMPONENT_STREAM_CORPUS_DIR, ComponentStreamFuzzOne);
}

} // namespace
