#include "Acknowledgement.h"

#include "ModuleProtocol.h"

std::optional<Acknowledgement> Acknowledgement::parse(const QString &text)
{
    const QByteArray single(1, char(ModuleProtocol::Acknowledge));
    if (text == QLatin1String("none"))
        return Acknowledgement{};
    if (text == QLatin1String("double"))
        return Acknowledgement{single + single};
    bool ok = false;
    if (text.startsWith(QLatin1String("byte:"))) {
        const QString digits = text.mid(5);
        const uint value = digits.toUInt(&ok, 16);
        if (ok && digits.size() == 2)
            return Acknowledgement{QByteArray(1, char(value))};
    } else if (text.startsWith(QLatin1String("delay:"))) {
        const int delay = text.mid(6).toInt(&ok);
        if (ok && delay >= 0)
            return Acknowledgement{single, delay};
    }
    return std::nullopt;
}
