// Replays the fuzzing seed corpus through the harness's own entry function.
#include "IniFuzzEntry.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(IniCorpusTest, EverySeedPassesTheHarnessChecks) {
    const QDir corpus(QStringLiteral(INI_CORPUS_DIR));
    const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 5) << "corpus missing at " << INI_CORPUS_DIR;
    for (const QString& name : files) {
        QFile f(corpus.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = f.readAll();
        try {
            IniFuzzOne(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                       size_t(bytes.size()));
        } catch (const TIniFuzzFailure& failure) {
            ADD_FAILURE() << name.toStdString() << ": " << failure.what();
        }
    }
}
