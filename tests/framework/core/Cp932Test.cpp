#include "Cp932.h"
#include "SysUtils.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QByteArray Bytes(std::initializer_list<int> b) {
    QByteArray out;
    for (int x : b)
        out.append(char(x));
    return out;
}

QString Utf16(std::initializer_list<char16_t> u) {
    QString s;
    for (char16_t c : u)
        s.append(QChar(c));
    return s;
}

} // namespace

TEST(Cp932, MatchesTheWindowsTableWhereOtherConvertersDiffer) {
    // Control bytes stay themselves; backslash and tilde are ASCII; the
    // wave dash, minus and currency signs take their full-width forms.
    EXPECT_EQ(Cp932::Decode(Bytes({0x1A, 0x1C, 0x7F, 0x5C, 0x7E})),
              Utf16({0x1A, 0x1C, 0x7F, 0x5C, 0x7E}));
    EXPECT_EQ(Cp932::Decode(Bytes({0x81, 0x60, 0x81, 0x7C, 0x81, 0x91, 0x81, 0x92, 0x81, 0xCA})),
              Utf16({0xFF5E, 0xFF0D, 0xFFE0, 0xFFE1, 0xFFE2}));
    EXPECT_EQ(Cp932::Decode(Bytes({0xA1, 0xDF})), Utf16({0xFF61, 0xFF9F}));
    EXPECT_EQ(Cp932::Encode(QStringLiteral("ＭＳ 明朝")),
              Bytes({0x82, 0x6C, 0x82, 0x72, 0x20, 0x96, 0xBE, 0x92, 0xA9}));
}

TEST(Cp932, InvalidAndAmbiguousBytesSurviveARoundTrip) {
    const QByteArray cases[] = {
        Bytes({0x80, 0xA0, 0xFD, 0xFE, 0xFF}),       // never valid alone
        Bytes({'a', 0x81}),                          // lone lead byte at the end
        Bytes({0x81, 0x20, 'b'}),                    // lead byte before a non-trail byte
        Bytes({0x82, 0x7F}),                         // unassigned pair
        Bytes({0xEE, 0xF9, 0xFA, 0x54, 0xED, 0x40}), // duplicates of other codes
        Bytes({0x00, 'x', 0x00}),                    // NUL bytes
    };
    for (const QByteArray& bytes : cases)
        EXPECT_EQ(Cp932::Encode(Cp932::Decode(bytes)), bytes) << bytes.toHex().constData();
    // An invalid byte becomes its escape; a following ASCII byte stays ASCII.
    EXPECT_EQ(Cp932::Decode(Bytes({0x81, 0x20})), Utf16({Cp932::EscapeBase + 0x81, 0x20}));
}

TEST(Cp932, RandomBytesRoundTrip) {
    QRandomGenerator rng(932);
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes(int(rng.bounded(1, 300)), Qt::Uninitialized);
        for (char& c : bytes)
            c = char(rng.bounded(256));
        ASSERT_EQ(Cp932::Encode(Cp932::Decode(bytes)), bytes) << bytes.toHex().constData();
    }
}

TEST(Cp932, UnencodableCharacterIsNamedWithItsLine) {
    EXPECT_TRUE(Cp932::CanEncode(QStringLiteral("日本語 abc ～")));
    EXPECT_FALSE(Cp932::CanEncode(QStringLiteral("café")));
    try {
        Cp932::Encode(QStringLiteral("one\ntwo\nthree 😀"));
        FAIL() << "no error";
    } catch (const EEncodingError& e) {
        EXPECT_EQ(e.Character(), char32_t(0x1F600));
        EXPECT_EQ(e.Line(), 3);
        EXPECT_TRUE(e.Message().contains(QStringLiteral("3 行目")));
    }
}
