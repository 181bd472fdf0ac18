// Hex lines, string lists and component streaming.
#include "Classes.h"
#include "StreamProbes.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <gtest/gtest.h>
#include <memory>

namespace {

QByteArray Hex(const char* digits) {
    return QByteArray::fromHex(digits);
}

QByteArray Write(QObject* component) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    WriteComponentStream(out, component);
    return out.data();
}

// Reads bytes under owner; on an error returns null and the message.
std::unique_ptr<QObject> Read(const QByteArray& bytes, QObject* owner, QString* error = nullptr) {
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    try {
        return std::unique_ptr<QObject>(ReadComponentStream(in, owner, owner));
    } catch (const EStreamError& e) {
        if (error)
            *error = e.Message();
        return nullptr;
    }
}

QString ReadError(const QByteArray& bytes) {
    QObject owner;
    QString error;
    EXPECT_EQ(Read(bytes, &owner, &error), nullptr);
    EXPECT_TRUE(owner.children().isEmpty()) << "a refused stream left components behind";
    return error;
}

QByteArray Text(const QByteArray& stream, qint64 max = -1) {
    QBuffer in;
    in.setData(stream);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ObjectBinaryToText(in, out, max);
    return out.data();
}

QByteArray ShortStr(const QByteArray& s) {
    return char(s.size()) + s;
}

// A stream of one probe with the given property bytes and children.
QByteArray ProbeStream(const QByteArray& name, const QByteArray& properties,
                       const QByteArray& children = {}) {
    return "VXF1" + ShortStr("TStreamProbe") + ShortStr(name) + properties + '\0' + children + '\0';
}

class ClassesTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterStreamProbes(); }
};

TEST(HexLines, ThirtyThreeBytesMakeAFullLineAndARest) {
    QByteArray bytes;
    for (int i = 0; i < 33; ++i)
        bytes += char(0xE0 + i % 16);
    const QStringList lines = EncodeHexLines(bytes);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), 64);
    EXPECT_EQ(lines[0].left(6), QStringLiteral("E0E1E2"));
    EXPECT_EQ(lines[1], QStringLiteral("E0"));
    EXPECT_TRUE(EncodeHexLines({}).isEmpty());
    EXPECT_EQ(EncodeHexLines(QByteArray(32, '\x01')).size(), 1);
}

TEST(HexLines, DecodingIsLenientPairByPair) {
    EXPECT_EQ(DecodeHexLine(u"0aFf"), Hex("0aff"));
    EXPECT_EQ(DecodeHexLine(u"ABC"), Hex("ab0c")); // the odd digit alone
    EXPECT_EQ(DecodeHexLine(u"G112zz"), Hex("001200"));
    EXPECT_EQ(DecodeHexLine(u" 1-1"), Hex("0000")); // "$ 1" and "$-1" are no numbers
    EXPECT_EQ(DecodeHexLine(u""), QByteArray());
}

TEST(StringList, TheUpdateBracketReportsOnce) {
    TStringList list;
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    list.Add(QStringLiteral("a"));
    EXPECT_EQ(changes, 1);
    list.BeginUpdate();
    list.BeginUpdate();
    list.Clear();
    list.Add(QStringLiteral("b"));
    list.EndUpdate();
    EXPECT_EQ(changes, 1);
    list.EndUpdate();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.List(), QStringList{QStringLiteral("b")});
    EXPECT_THROW(list.Get(1), Exception);
}

TEST_F(ClassesTest, AFreshComponentCarriesNoProperties) {
    TStreamProbe probe;
    probe.setObjectName(QStringLiteral("Probe1"));
    EXPECT_EQ(Write(&probe), ProbeStream("Probe1", {}));
    // Changed values only, each as name and tagged value; transient and
    // read-only properties never.
    probe.FNumber = 300;
    probe.FTransient = 5;
    probe.FFlag = true;
    EXPECT_EQ(Write(&probe), ProbeStream("Probe1", ShortStr("Flag") + Hex("09") +
                                                       ShortStr("Number") + Hex("032c01")));
}

TEST_F(ClassesTest, EveryKindOfValueAndTheChildrenComeBack) {
    QObject owner;
    auto* probe = new TStreamProbe(&owner);
    probe->setObjectName(QStringLiteral("Probe1"));
    probe->FFlag = true;
    probe->FNumber = -2147483647 - 1;
    probe->FUnsigned = 4000000000u;
    probe->FSmall = -300;
    probe->FBig = -(qlonglong(1) << 40);
    probe->FUBig = ~qulonglong(0);
    probe->FRatio = -1.0 / 3;
    probe->FScale = 2.5f;
    probe->FCaption = QStringLiteral("It's あ\n");
    probe->FData = QByteArray("\0\xFF", 2);
    probe->FLines = {QStringLiteral("a"), QString(), QStringLiteral("日本")};
    probe->FBounds = QRect(-1, 2, 300, 40000);
    probe->FOrigin = QPoint(5, -6);
    probe->FExtent = QSize(7, 8);
    probe->FKind = TStreamProbe::pkLarge;
    probe->SetOptions(TStreamProbe::poBold | TStreamProbe::poShadow);
    auto* item = new TStreamProbeItem(probe);
    item->setObjectName(QStringLiteral("Item1"));
    item->FHint = QStringLiteral("hint");
    auto* inner = new TStreamProbe(item);
    inner->setObjectName(QStringLiteral("Inner"));
    new TStreamProbe(probe); // unnamed: not a streamed child
    auto* foreign = new QObject(probe);
    foreign->setObjectName(QStringLiteral("Foreign")); // unregistered class: not streamed

    const QByteArray stream = Write(probe);
    QObject other;
    const auto copy = Read(stream, &other);
    ASSERT_NE(copy, nullptr);
    auto* p = qobject_cast<TStreamProbe*>(copy.get());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->parent(), &other);
    EXPECT_EQ(p->objectName(), QStringLiteral("Probe1"));
    EXPECT_EQ(p->FFlag, true);
    EXPECT_EQ(p->FNumber, probe->FNumber);
    EXPECT_EQ(p->FUnsigned, probe->FUnsigned);
    EXPECT_EQ(p->FSmall, probe->FSmall);
    EXPECT_EQ(p->FBig, probe->FBig);
    EXPECT_EQ(p->FUBig, probe->FUBig);
    EXPECT_EQ(p->FRatio, probe->FRatio);
    EXPECT_EQ(p->FScale, probe->FScale);
    EXPECT_EQ(p->FCaption, probe->FCaption);
    EXPECT_EQ(p->FData, probe->FData);
    EXPECT_EQ(p->FLines, probe->FLines);
    EXPECT_EQ(p->FBounds, probe->FBounds);
    EXPECT_EQ(p->FOrigin, probe->FOrigin);
    EXPECT_EQ(p->FExtent, probe->FExtent);
    EXPECT_EQ(p->FKind, probe->FKind);
    EXPECT_EQ(p->Options(), probe->Options());
    ASSERT_EQ(p->children().size(), 1);
    auto* i = qobject_cast<TStreamProbeItem*>(p->children()[0]);
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->objectName(), QStringLiteral("Item1"));
    EXPECT_EQ(i->FHint, QStringLiteral("hint"));
    ASSERT_EQ(i->children().size(), 1);
    EXPECT_EQ(i->children()[0]->objectName(), QStringLiteral("Inner"));
    EXPECT_EQ(Write(p), stream);
}

TEST_F(ClassesTest, EnumerationsAlsoTakeNumbersAndFloatsTakeIntegers) {
    QObject owner;
    const auto copy = Read(ProbeStream("P", ShortStr("Kind") + Hex("0202") + ShortStr("Options") +
                                                Hex("0203") + ShortStr("Scale") + Hex("0203")),
                           &owner);
    auto* p = qobject_cast<TStreamProbe*>(copy.get());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->FKind, TStreamProbe::pkLarge);
    EXPECT_EQ(p->Options(), TStreamProbe::poBold | TStreamProbe::poFramed);
    EXPECT_EQ(p->FScale, 3.0f);
}

TEST_F(ClassesTest, TheTextualNotationShowsTheSameStream) {
    TStreamProbe probe;
    probe.setObjectName(QStringLiteral("Probe1"));
    probe.FCaption = QStringLiteral("It's あ");
    probe.FLines = {QStringLiteral("a"), QStringLiteral("b")};
    probe.FData = Hex("0102ff");
    probe.FKind = TStreamProbe::pkLarge;
    probe.SetOptions(TStreamProbe::poBold | TStreamProbe::poShadow);
    probe.FRatio = 0.25;
    auto* item = new TStreamProbeItem(&probe);
    item->setObjectName(QStringLiteral("Item1"));
    item->FNumber = -5;
    EXPECT_EQ(Text(Write(&probe)), QByteArray("object Probe1: TStreamProbe\r\n"
                                              "  Ratio = 0.25\r\n"
                                              "  Caption = 'It''s '#12354\r\n"
                                              "  Data = {\r\n"
                                              "    0102FF}\r\n"
                                              "  Lines = (\r\n"
                                              "    'a'\r\n"
                                              "    'b')\r\n"
                                              "  Kind = pkLarge\r\n"
                                              "  Options = [poBold, poShadow]\r\n"
                                              "  object Item1: TStreamProbeItem\r\n"
                                              "    Number = -5\r\n"
                                              "  end\r\n"
                                              "end\r\n"));
    // A limit stops the conversion early; what comes is the same text.
    const QByteArray head = Text(Write(&probe), 10);
    EXPECT_GE(head.size(), 10);
    EXPECT_TRUE(Text(Write(&probe)).startsWith(head));
}

TEST_F(ClassesTest, BadStreamsAreRefusedWithTheirReason) {
    const QByteArray good = ProbeStream("P", ShortStr("Number") + Hex("0205"));
    EXPECT_EQ(ReadError("VXF0" + good.mid(4)), InvalidImageText());
    EXPECT_EQ(ReadError(good + '\0'), InvalidImageText()); // bytes after the end
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Number") + Hex("0D"))), InvalidImageText());
    EXPECT_EQ(ReadError("VXF1" + ShortStr("TNoSuchClass") + ShortStr("P") + '\0' + '\0'),
              QStringLiteral("クラス TNoSuchClass が見つかりません"));
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Nope") + Hex("0205"))),
              QStringLiteral("プロパティ Nope は存在しません"));
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("objectName") + Hex("0A00000000"))),
              QStringLiteral("プロパティ objectName は存在しません"));
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Transient") + Hex("0205"))),
              QStringLiteral("プロパティ Transient は存在しません"));
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Number") + Hex("0A00000000"))),
              QStringLiteral("プロパティ Number の値が不正です"));
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Small") + Hex("0440420F00"))),
              QStringLiteral("プロパティ Small の値が不正です"));
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Kind") + Hex("07") + ShortStr("pkHuge"))),
              QStringLiteral("プロパティ Kind の値が不正です"));
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Kind") + Hex("0203"))), // no such value
              QStringLiteral("プロパティ Kind の値が不正です"));
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Options") + Hex("0209"))), // bit 8 has no key
              QStringLiteral("プロパティ Options の値が不正です"));
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Bounds") + Hex("0102010201020000"))),
              QStringLiteral("プロパティ Bounds の値が不正です"));
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Lines") + Hex("01010000"))),
              InvalidImageText()); // lists hold no lists
    EXPECT_EQ(ReadError(ProbeStream("1P", {})),
              QStringLiteral("1P は有効なコンポーネント名ではありません"));
    EXPECT_EQ(ReadError(ProbeStream("P", {}, ProbeStream("P", {}).mid(4))),
              QStringLiteral("コンポーネント名 P は既に存在します"));
}

TEST_F(ClassesTest, EveryTruncationIsAReadErrorThatLeavesNothing) {
    TStreamProbe probe;
    probe.FCaption = QStringLiteral("caption");
    probe.FLines = {QStringLiteral("x")};
    probe.FBounds = QRect(1, 2, 3, 4);
    (new TStreamProbeItem(&probe))->setObjectName(QStringLiteral("Child"));
    const QByteArray stream = Write(&probe);
    for (qsizetype n = 0; n < stream.size(); ++n) {
        const QString error = ReadError(stream.left(n));
        EXPECT_TRUE(error == ReadErrorText() || error == InvalidImageText())
            << n << ": " << error.toStdString();
    }
}

TEST_F(ClassesTest, HostileSizesAndNestingAreRefusedWithoutAllocating) {
    // A 2 GB string in a stream of a few bytes.
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Caption") + Hex("0AFFFFFF7F"))),
              ReadErrorText());
    EXPECT_EQ(ReadError(ProbeStream("P", ShortStr("Caption") + Hex("0AFFFFFFFF"))),
              InvalidImageText());
    // Components nested one level deeper than allowed.
    QByteArray nested;
    for (int depth = 0; depth <= kMaxComponentDepth; ++depth)
        nested = ShortStr("TStreamProbe") + ShortStr("P" + QByteArray::number(depth)) + '\0' +
                 nested + '\0';
    EXPECT_EQ(ReadError("VXF1" + nested), QStringLiteral("コンポーネントの入れ子が深すぎます"));
    QBuffer in;
    in.setData("VXF1" + nested);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_THROW(ObjectBinaryToText(in, out), EReadError);

    // The writer refuses what could not be read back.
    TStreamProbe* parent = nullptr;
    TStreamProbe root;
    parent = &root;
    for (int depth = 1; depth <= kMaxComponentDepth; ++depth) {
        parent = new TStreamProbe(parent);
        parent->setObjectName(QStringLiteral("C%1").arg(depth));
    }
    EXPECT_THROW(Write(&root), EWriteError);
    delete parent;
    EXPECT_NO_THROW(Write(&root));
}

TEST_F(ClassesTest, TheWriterRefusesWhatNoReaderWouldTake) {
    QObject plain;
    try {
        Write(&plain);
        ADD_FAILURE() << "an unregistered class was written";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("クラス QObject は登録されていません"));
    }
    TStreamProbe probe;
    probe.setObjectName(QStringLiteral("has space"));
    EXPECT_THROW(Write(&probe), EWriteError);
    probe.setObjectName(QStringLiteral("P"));
    probe.FKind = TStreamProbe::TKind(3); // within the type's range, but no value of it
    EXPECT_THROW(Write(&probe), EWriteError);
    probe.FKind = TStreamProbe::pkSmall;
    probe.SetOptions(TStreamProbe::TOptions::fromInt(9));
    EXPECT_THROW(Write(&probe), EWriteError);
}

TEST_F(ClassesTest, AReaderGivesBackWhatItReadAhead) {
    TStreamProbe probe;
    const QByteArray stream = Write(&probe);
    QBuffer in;
    in.setData(stream + "tail");
    in.open(QIODevice::ReadOnly);
    {
        TReader reader(in);
        reader.ReadSignature();
        std::unique_ptr<QObject> read(reader.ReadComponent(nullptr, nullptr));
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->parent(), nullptr);
    }
    EXPECT_EQ(in.pos(), stream.size());
    EXPECT_EQ(in.readAll(), QByteArray("tail"));
}

TEST_F(ClassesTest, FormFilesCarryAResourceHeader) {
    TStreamProbe probe;
    probe.setObjectName(QStringLiteral("Form1"));
    const QByteArray stream = Write(&probe);
    const QByteArray file = ComponentToFormFile(&probe);
    QByteArray header = Hex("ff0a00") + "TSTREAMPROBE" + Hex("003010");
    header += char(stream.size()) + QByteArray(3, '\0');
    EXPECT_EQ(file, header + stream);

    QBuffer in;
    in.setData(file);
    in.open(QIODevice::ReadOnly);
    ReadResourceHeader(in);
    EXPECT_EQ(in.pos(), header.size());

    for (const QByteArray& bad : {stream, Hex("ff0b00") + file.mid(3), file.left(5),
                                  Hex("ff0a00") + QByteArray(300, 'A')}) {
        QBuffer b;
        b.setData(bad);
        b.open(QIODevice::ReadOnly);
        try {
            ReadResourceHeader(b);
            ADD_FAILURE() << "header accepted: " << bad.left(8).toHex().constData();
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("不正なストリーム フォーマット"));
        }
    }
}

TEST_F(ClassesTest, TheRegistryFindsClassesByName) {
    EXPECT_EQ(FindClass(QStringLiteral("TStreamProbe")), &TStreamProbe::staticMetaObject);
    EXPECT_EQ(FindClass(QStringLiteral("tstreamprobe")), nullptr);
    try {
        GetClass(QStringLiteral("TMissing"));
        ADD_FAILURE() << "found a class never registered";
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("クラス TMissing が見つかりません"));
    }
}

} // namespace
