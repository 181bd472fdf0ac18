#include "Cp932.h"
#include "SysUtils.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <iconv.h>
#include <optional>
#include <vector>

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
        Bytes({0x82, 0x7F}),                         // lead byte before 0x7F
        Bytes({0x85, 0x40, 0xEB, 0xB1, 0xFC, 0xFC}), // unassigned pairs
        Bytes({0x00, 'x', 0x00}),                    // NUL bytes
    };
    for (const QByteArray& bytes : cases)
        EXPECT_EQ(Cp932::Encode(Cp932::Decode(bytes)), bytes) << bytes.toHex().constData();
    // An invalid byte becomes its escape; a following ASCII byte that cannot
    // be a trail byte stays ASCII, but one of an unassigned pair escapes too.
    EXPECT_EQ(Cp932::Decode(Bytes({0x81, 0x20})), Utf16({Cp932::EscapeBase + 0x81, 0x20}));
    EXPECT_EQ(Cp932::Decode(Bytes({0x85, 0x40, 0xEB, 0xB1})),
              Utf16({Cp932::EscapeBase + 0x85, Cp932::EscapeBase + 0x40, Cp932::EscapeBase + 0xEB,
                     Cp932::EscapeBase + 0xB1}));
}

TEST(Cp932, DuplicateCodesDecodeToTheirCharacterAndSaveUnderThePreferredCode) {
    // NEC row 13, NEC-selected IBM and IBM extensions name the same characters.
    EXPECT_EQ(Cp932::Decode(Bytes({0xFA, 0x4A, 0x87, 0x54})), Utf16({0x2160, 0x2160})); // Ⅰ
    EXPECT_EQ(Cp932::Decode(Bytes({0xED, 0x40, 0xFA, 0x5C})), Utf16({0x7E8A, 0x7E8A})); // 纊
    EXPECT_EQ(Cp932::Decode(Bytes({0xFA, 0x54, 0xEE, 0xF9, 0x81, 0xCA})),
              Utf16({0xFFE2, 0xFFE2, 0xFFE2})); // ￢
    EXPECT_EQ(Cp932::Encode(Utf16({0x2160, 0x7E8A, 0xFFE2, 0x2170})),
              Bytes({0x87, 0x54, 0xFA, 0x5C, 0x81, 0xCA, 0xFA, 0x40}));
}

namespace {

// What glibc iconv's CP932 makes of bytes (one UTF-16 unit), or nothing.
std::optional<char16_t> IconvDecode(iconv_t cd, QByteArray bytes) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char16_t out[4];
    char* in = bytes.data();
    size_t inLeft = size_t(bytes.size());
    char* o = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == size_t(-1) || sizeof out - outLeft != 2)
        return std::nullopt;
    return out[0];
}

QByteArray IconvEncode(iconv_t cd, char16_t c) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char out[4];
    char* in = reinterpret_cast<char*>(&c);
    size_t inLeft = 2;
    char* o = out;
    size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == size_t(-1))
        return {};
    return QByteArray(out, qsizetype(sizeof out - outLeft));
}

} // namespace

// Every entry of the built-in tables: each single byte and each pair decodes
// as iconv decodes it (or escapes when iconv has no character for it), and
// each character encodes as iconv encodes it when some code decodes to it,
// and is refused otherwise.
TEST(Cp932, EveryCodeAndEveryCharacterMatchesIconv) {
    iconv_t dec = iconv_open("UTF-16LE", "CP932");
    iconv_t enc = iconv_open("CP932", "UTF-16LE");
    ASSERT_NE(dec, iconv_t(-1));
    ASSERT_NE(enc, iconv_t(-1));
    std::vector<bool> decodable(65536);
    int defined = 0, duplicates = 0;
    const auto check = [&](const QByteArray& code) {
        const QString ours = Cp932::Decode(code);
        const std::optional<char16_t> theirs = IconvDecode(dec, code);
        if (!theirs || Cp932::IsEscape(*theirs)) { // escaped, saved back unchanged
            QString escaped;
            for (char b : code)
                escaped += QChar(char16_t(Cp932::EscapeBase + std::uint8_t(b)));
            ASSERT_EQ(ours, escaped) << code.toHex().constData();
            ASSERT_EQ(Cp932::Encode(ours), code);
            return;
        }
        ASSERT_EQ(ours, Utf16({*theirs})) << code.toHex().constData();
        decodable[*theirs] = true;
        if (code.size() == 2) {
            ++defined;
            duplicates += Cp932::Encode(ours) != code;
        }
    };
    for (int b = 0x80; b <= 0xFF; ++b)
        if (b < 0x81 || (b > 0x9F && b < 0xE0) || b > 0xFC)
            check(Bytes({b}));
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail)
            if (trail != 0x7F)
                check(Bytes({lead, trail}));
    }
    for (int c = 0x80; c <= 0xFFFF; ++c) {
        if (Cp932::IsEscape(char16_t(c)) || QChar::isSurrogate(char32_t(c)))
            continue;
        const QString text = Utf16({char16_t(c)});
        if (decodable[size_t(c)])
            ASSERT_EQ(Cp932::Encode(text), IconvEncode(enc, char16_t(c))) << std::hex << c;
        else
            ASSERT_FALSE(Cp932::CanEncode(text)) << std::hex << c;
    }
    iconv_close(dec);
    iconv_close(enc);
    // JIS X 0208 and the Windows extensions, and the user area F040-F9FC.
    EXPECT_EQ(defined, 7724 + 1880);
    EXPECT_EQ(duplicates, 398);
}

TEST(Cp932, RandomBytesRoundTrip) {
    QRandomGenerator rng(932);
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes(int(rng.bounded(1, 300)), Qt::Uninitialized);
        for (char& c : bytes)
            c = char(rng.bounded(256));
        // The text read never changes by a save.
        const QString text = Cp932::Decode(bytes);
        ASSERT_EQ(Cp932::Decode(Cp932::Encode(text)), text) << bytes.toHex().constData();
        // Without the rows that hold duplicates (row 13 and the IBM codes) no
        // byte changes either.
        for (char& c : bytes)
            if (QByteArrayView("\x87\xED\xEE\xFA\xFB\xFC").contains(c))
                c = '?';
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
