// The one place where our 8-bit texts meet Qt's strings. Paths keep the exact bytes the file
// system uses (QFile's name encoding); every other text is in the locale's 8-bit encoding.
#pragma once

#include <string>

#include <QFile>
#include <QString>

inline QString QStringFromText(const std::string &text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string TextFromQString(const QString &text)
{
    return text.toLocal8Bit().toStdString();
}

inline QString QStringFromPath(const std::string &path)
{
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

inline std::string PathFromQString(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}
