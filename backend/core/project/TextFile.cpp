#include "project/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace
{
QString FileError(const QString& strPath, const QString& strWhat)
{
    return QStringLiteral("%1: %2").arg(strPath, strWhat);
}

QString TooLarge(const QString& strPath, qint64 nMaxSize)
{
    return FileError(strPath, QStringLiteral("too large (more than %1 bytes)").arg(nMaxSize));
}
} // namespace

bool ReadCheckedTextFile(const QString& strPath, qint64 nMaxSize, QByteArray& text,
                         QString& strError)
{
    const QFileInfo info(strPath);
    if (info.exists() && !info.isFile())
    {
        strError = FileError(strPath, QStringLiteral("not a file"));
        return false;
    }
    if (info.size() > nMaxSize)
    {
        strError = TooLarge(strPath, nMaxSize);
        return false;
    }
    // Opened without blocking and checked again, so a file swapped for a pipe
    // since the check above cannot make the open wait for a writer.
    const int fd =
        ::open(QFile::encodeName(strPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
    {
        strError =
            FileError(strPath, QStringLiteral("cannot open: %1").arg(qt_error_string(errno)));
        return false;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        ::close(fd);
        strError = FileError(strPath, QStringLiteral("not a file"));
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    {
        ::close(fd);
        strError = FileError(strPath, QStringLiteral("cannot open: %1").arg(file.errorString()));
        return false;
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
    {
        strError = FileError(strPath, QStringLiteral("cannot read: %1").arg(file.errorString()));
        return false;
    }
    if (text.size() > nMaxSize)
    {
        text.clear();
        strError = TooLarge(strPath, nMaxSize);
        return false;
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

QString CheckTextLine(QByteArrayView line)
{
    if (line.contains('\0'))
        return QStringLiteral("binary data (a NUL byte) in the file");
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString strText = decode(line);
    if (decode.hasError())
        return QStringLiteral("not UTF-8 text (save the file as UTF-8)");
    return {};
}
