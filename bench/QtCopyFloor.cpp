// The floor of the small-file conversion: a bare Qt Core program that copies
// one file to another, start-up and all, converting nothing.
#include <QCoreApplication>
#include <QFile>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QFile in(QString::fromLocal8Bit(argv[1]));
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return 1;
    const QByteArray bytes = in.readAll();
    return out.write(bytes) == bytes.size() ? 0 : 1;
}
