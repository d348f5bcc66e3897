#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QString gifCorpusEntry(const QString &dataDir, const QString &name)
{
    QFile corpus(dataDir + QStringLiteral("/gif-corpus.txt"));
    if (!corpus.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    for (const QString &line : QString::fromUtf8(corpus.readAll()).split('\n')) {
        if (line.section('\t', 0, 0) == name)
            return line.section('\t', 1);
    }
    return QString();
}
