// A fuzz target's entry point run over saved inputs without libFuzzer, so that
// every build replays the corpora as tests. Arguments are files or folders of
// files. A failed property aborts, as under the fuzzer; an input that takes
// over a second fails too, the hang the fuzzer's -timeout would report.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char **argv)
{
    QStringList inputs;
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        const QDir folder(path);
        if (!QFileInfo(path).isDir()) {
            inputs << path;
            continue;
        }
        for (const QString &name : folder.entryList(QDir::Files, QDir::Name))
            inputs << folder.filePath(name);
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    for (const QString &input : std::as_const(inputs)) {
        QFile file(input);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(input), qPrintable(file.errorString()));
            return 1;
        }
        const QByteArray data = file.readAll();
        // Named first, so that a failed property's abort says which input it was.
        std::printf("%s\n", qPrintable(input));
        std::fflush(stdout);
        QElapsedTimer clock;
        clock.start();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(data.constData()), std::size_t(data.size()));
        if (clock.elapsed() > 1000) {
            std::fprintf(stderr, "%s: took %lld ms\n", qPrintable(input), static_cast<long long>(clock.elapsed()));
            return 1;
        }
    }
    std::printf("%lld inputs replayed\n", static_cast<long long>(inputs.size()));
    return 0;
}
