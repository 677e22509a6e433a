// SPDX-License-Identifier: MIT
#include "project/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool ReadCheckedTextFile(const QString& strPath, qint64 nMaxSize, QByteArray& text,
                         CFileFault& fault)
{
    const auto fail = [&](EFileFault eKind, const QString& strSystem = {})
    {
        fault = {eKind, strPath, 0, nMaxSize, strSystem};
        return false;
    };
    const QFileInfo info(strPath);
    if (info.exists() && !info.isFile())
        return fail(EFileFault::kNotAFile);
    if (info.size() > nMaxSize)
        return fail(EFileFault::kTooLarge);
    // Opened without blocking and checked again, so a file swapped for a pipe
    // since the check above cannot make the open wait for a writer.
    const int fd =
        ::open(QFile::encodeName(strPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(EFileFault::kCannotOpen, qt_error_string(errno));
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        ::close(fd);
        return fail(EFileFault::kNotAFile);
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
