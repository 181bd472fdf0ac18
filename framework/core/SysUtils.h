// Exceptions carrying message texts, and small text and path helpers.
#pragma once

#include <QString>
#include <cstdint>
#include <exception>
#include <optional>

// An error that ends a command; the application shows Message in an error box.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

// A file that cannot be opened for reading: "ファイル %s は開けません",
// followed by the reason in parentheses when one is given.
class EFOpenError : public Exception {
public:
    explicit EFOpenError(const QString& fileName, const QString& reason = {});
};

// A file that cannot be created or written: "ファイル %s を作成できません",
// followed by the reason in parentheses when one is given.
class EFCreateError : public Exception {
public:
    explicit EFCreateError(const QString& fileName, const QString& reason = {});
};

// The system's reason for an errno value, in Japanese for the reasons a file
// command meets, otherwise the system's own text.
QString SystemErrorText(int error);

// A character for messages: "「€」(U+20AC)", or the code alone when the
// character does not print.
QString DescribeCharacter(char32_t c);

// A character the code page cannot hold, with its line (1-based).
class EEncodingError : public Exception {
public:
    EEncodingError(char32_t character, int line);
    char32_t Character() const { return FCharacter; }
    int Line() const { return FLine; }

private:
    char32_t FCharacter;
    int FLine;
};

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// The integer parse shared by every number read back from stored text:
// leading blanks skipped, then an optional sign and decimal digits within
// 32 bits, or "$", "x", "X", "0x", "0X" and one to eight hex digits taken as
// a 32-bit pattern. Anything else (a trailing blank included) is invalid.
std::optional<std::int32_t> TryStrToInt(const QString& text);
std::int32_t StrToIntDef(const QString& text, std::int32_t fallback);
// Raises EConvertError "'%s' は整数ではありません" when the text is invalid.
std::int32_t StrToInt(const QString& text);

// Equal when the texts differ at most in the case of ASCII letters; the code
// page's case rules know no others (the Kelvin sign is no K here).
bool SameText(QStringView a, QStringView b);

// The path with its extension (from the last "." after the last "/")
// replaced by ext; a path without one gets ext appended.
QString ChangeFileExt(const QString& path, const QString& ext);
// Everything up to and including the last "/"; empty when there is none.
QString ExtractFilePath(const QString& path);

// The program's configuration folder: vexla/ below $XDG_CONFIG_HOME, or below
// ~/.config when that is unset or relative. It is not created here.
QString ConfigFolder();
