#pragma once

#include <QByteArray>
#include <QString>

// Writes content to path, making its folder on the way; true when all of it is there.
bool writeFile(const QString &path, const QByteArray &content = {});
