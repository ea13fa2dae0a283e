#pragma once
// How GoogleTest prints Qt values in failure messages. Included into every test
// source by quandor_add_gtest, so an assertion on QString shows the text
// instead of walking its characters as raw bytes.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out)
{
    *out << "QByteArray(\"" << bytes.toStdString() << "\")";
}

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", " : "") << '"' << list[i].toStdString() << '"';
    *out << '}';
}
