// SPDX-License-Identifier: MIT
#include "project/TextFile.h"

#include "pellium/FileCalls.h"

#include <QFile>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace physprops::core
{
bool ReadCheckedTextFile(const QString& strPath, qint64 nMaxSize, QByteArray& text,
                         QString& strError)
{
    CFileFault fault;
    if (ReadCheckedTextFile(strPath, nMaxSize, text, fault))
        return true;
    strError = fault.Describe();
    return false;
}

namespace
{
EFileType TypeOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return EFileType::kFolder;
    if (S_ISFIFO(mode))
        return EFileType::kFifo;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return EFileType::kDevice;
    if (S_ISSOCK(mode))
        return EFileType::kSocket;
    return EFileType::kUnknown;
}
} // namespace

bool ReadCheckedTextFile(const QString& strPath, qint64 nMaxSize, QByteArray& text,
                         CFileFault& fault)
{
    const auto fail = [&](EFileFault eKind, const QString& strSystem = {}, int nErrno = 0,
                          EFileType eType = EFileType::kUnknown)
    {
        fault = {eKind, strPath, 0, nMaxSize, strSystem, nErrno, eType};
        return false;
    };
    using pellium::EFileCall;
    using pellium::NoteFileCall;
    const QByteArray encoded = QFile::encodeName(strPath);
    struct stat st = {};
    NoteFileCall(EFileCall::kStat, encoded.constData());
    if (::stat(encoded.constData(), &st) == 0)
    {
        if (!S_ISREG(st.st_mode))
            return fail(EFileFault::kNotAFile, {}, 0, TypeOf(st.st_mode));
        if (st.st_size > nMaxSize)
            return fail(EFileFault::kTooLarge);
    }
    // Opened without blocking and checked again, so a file swapped for a pipe
    // since the check above cannot make the open wait for a writer.
    NoteFileCall(EFileCall::kOpen, encoded.constData());
    const int fd = ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
    {
        const int nErrno = errno;
        // Bytes of a name that are not UTF-8 became replacement characters
        // on the way here: the file may well be there, under its own bytes.
        if (nErrno == ENOENT && strPath.contains(QChar::ReplacementCharacter))
            return fail(EFileFault::kPathNotUtf8);
        return fail(EFileFault::kCannotOpen, qt_error_string(nErrno), nErrno);
    }
    NoteFileCall(EFileCall::kFstat, encoded.constData());
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        ::close(fd);
        return fail(EFileFault::kNotAFile, {}, 0, TypeOf(st.st_mode));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    {
        ::close(fd);
        return fail(EFileFault::kCannotOpen, file.errorString());
    }
    // Read to the end, not to the size seen above: a file that grew since is
    // read whole or refused, never cut short. One byte more than allowed
    // tells a file too large.
    NoteFileCall(EFileCall::kRead, encoded.constData());
    text.clear();
    text.reserve(qMin<qint64>(st.st_size, nMaxSize) + 1);
    while (text.size() <= nMaxSize)
    {
        const QByteArray chunk = file.read(qMin<qint64>(1 << 16, nMaxSize + 1 - text.size()));
        if (chunk.isEmpty())
            break;
        text += chunk;
    }
    if (file.error() != QFileDevice::NoError)
        return fail(EFileFault::kCannotRead, file.errorString());
    if (text.size() > nMaxSize)
    {
        text.clear();
        return fail(EFileFault::kTooLarge);
    }
    return true;
}

bool DecodeUtf8(QByteArrayView bytes, QString& strText)
{
    // Most names and values are ASCII: Latin-1 widening is UTF-8 decoding for
    // them, without a decoder's checks.
    unsigned char nOr = 0;
    for (const char c : bytes)
        nOr |= static_cast<unsigned char>(c);
    if (nOr < 0x80 && !bytes.isEmpty())
    {
        strText = QString::fromLatin1(bytes);
        return true;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    strText = decoder(bytes);
    return !decoder.hasError();
}

bool LooksUtf16(QByteArrayView text)
{
    if (text.startsWith("\xFF\xFE") || text.startsWith("\xFE\xFF"))
        return true;
    // Without a mark: ASCII letters with a NUL byte beside each, at the
    // start; two of them at least, since one NUL byte tells little.
    const qsizetype n = std::min<qsizetype>(text.size(), 64) & ~qsizetype(1);
    if (n < 4)
        return false;
    bool bLittle = true;
    bool bBig = true;
    for (qsizetype i = 0; i < n; i += 2)
    {
        bLittle = bLittle && text[i] != '\0' && text[i + 1] == '\0';
        bBig = bBig && text[i] == '\0' && text[i + 1] != '\0';
    }
    return bLittle || bBig;
}

EFileFault TextLineFault(QByteArrayView line)
{
    if (line.contains('\0'))
        return EFileFault::kBinary;
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString strText = decode(line);
    if (decode.hasError())
        return EFileFault::kNotUtf8;
    return EFileFault::kNone;
}

QString CheckTextLine(QByteArrayView line)
{
    return CFileFault{.eKind = TextLineFault(line)}.Reason();
}
} // namespace physprops::core
