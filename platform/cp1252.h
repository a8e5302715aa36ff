#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <memory>

namespace platform {

// Windows-1252 bytes of a text: normalised to composed form first, one byte
// per character, '?' for a character Windows-1252 lacks.
QByteArray toCp1252(const QString& text);
QString fromCp1252(const QByteArray& bytes);

// Number of bytes the text occupies in Windows-1252 (= characters after
// composition, a character outside the BMP counting one).
int cp1252Width(const QString& text);

// The byte of one character, '?' when Windows-1252 lacks it.
char cp1252Byte(char32_t code);
// The character of one byte; U+FFFD for the five bytes the code page leaves
// undefined.
char16_t cp1252Char(unsigned char byte);
// The text as it reads once written: the characters of toCp1252(text), the
// first `room` of them stored at `out`. Returns how many there are
// (cp1252Width); nothing is allocated unless the text needs composing.
qsizetype cp1252Chars(QStringView text, char16_t* out, qsizetype room);

// The reason of a failed system call, in the words of the link's messages.
QString describeErrno(int code);

// Writes lines as Windows-1252 bytes, each followed by CR LF. Errors are kept
// (not thrown) so a caller can decide what a failed write means.
class LineWriter {
public:
    enum class Mode { Truncate, Append };
    LineWriter();
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    bool open(const QString& localPath, Mode mode);
    bool writeLine(const QString& line);
    bool writeRaw(const QByteArray& bytesWithoutEol);
    // Bytes as they are, no line end added (a previous file's content).
    bool writeBytes(const QByteArray& bytes);
    // Flushes, syncs and closes; false when anything failed since open.
    bool close();
    bool isOpen() const;
    bool failed() const { return failed_; }
    QString errorString() const { return error_; }
    // The system's error number of the failure, 0 when there is none.
    int errorCode() const { return code_; }
    qint64 linesWritten() const { return lines_; }

private:
    bool append(const QByteArray& bytes);
    bool flushIfFull();
    struct Impl;
    std::unique_ptr<Impl> d;
    bool failed_ = false;
    QString error_;
    int code_ = 0;
    qint64 lines_ = 0;
};

} // namespace platform
