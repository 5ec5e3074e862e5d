// Loading a 100,000-line INI file, and 10,000 reads spread over its sections.
#include "settings/BigIniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int Sections = 1000;
constexpr int KeysPerSection = 99; // with the headers: 100,000 lines

struct BigFile {
    BigFile()
    {
        QByteArray text;
        for (int s = 0; s < Sections; ++s) {
            text += "[Section" + QByteArray::number(s) + "]\r\n";
            for (int k = 0; k < KeysPerSection; ++k)
                text += "Key" + QByteArray::number(k) + "=/home/user/Music/Some Artist/Album " +
                        QByteArray::number(s) + "/Track " + QByteArray::number(k) + ".mp3\r\n";
        }
        path = dir.path() + "/big.ini";
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        bytes = text.size();
    }
    QTemporaryDir dir;
    QString path;
    qint64 bytes = 0;
};

BigFile &bigFile()
{
    static BigFile file;
    return file;
}

void BM_Load100kLines(benchmark::State &state)
{
    BigFile &file = bigFile();
    for (auto _ : state) {
        tb::TBiggerIniFile ini(file.path);
        benchmark::DoNotOptimize(ini.Sections().count());
    }
    state.SetBytesProcessed(state.iterations() * file.bytes);
}
BENCHMARK(BM_Load100kLines)->Unit(benchmark::kMillisecond);

// Runs of ten reads in one section, the sections visited in a scattered order.
void BM_10kReadsSpreadOverSections(benchmark::State &state)
{
    tb::TBiggerIniFile ini(bigFile().path);
    for (auto _ : state) {
        int64_t sum = 0;
        for (int i = 0; i < 10000; ++i) {
            int section = (i / 10 * 7919) % Sections;
            QString key = QStringLiteral("Key%1").arg((i * 13) % KeysPerSection);
            sum += ini.ReadString(QStringLiteral("Section%1").arg(section), key, QString()).size();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_10kReadsSpreadOverSections)->Unit(benchmark::kMillisecond);

} // namespace
