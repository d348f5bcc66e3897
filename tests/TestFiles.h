#pragma once

#include <QByteArray>
#include <QString>

// Writes content to path, making its folder on the way; true when all of it is there.
bool writeFile(const QString &path, const QByteArray &content = {});

// What the corpus of GIFs from real encoders (data/gif-corpus.txt) records of
// one of them, as another decoder showed it; empty when it names no such file.
QString gifCorpusEntry(const QString &dataDir, const QString &name);
