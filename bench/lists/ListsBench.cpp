// Adding 5,000 files in one Add, adding them again (every one a duplicate), and saving and
// loading a playlist of 10,000 items: each should stay well under a second.
#include "platform/TestDoubles.h"
#include "lists/ConversionLists.h"
#include "lists/PlayList.h"
#include "platform/ErrorReport.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

QApplication &application()
{
    static int argc = 1;
    static char name[] = "bench-lists";
    static char *argv[] = {name, nullptr};
    static QApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// 5,000 MPEG and 5,000 WAV files of a few bytes each, made once.
struct Files {
    Files()
    {
        for (int i = 0; i < 5000; ++i) {
            for (const char *ext : {".mp3", ".wav"}) {
                QString path = dir.path() + QString("/Some Artist - Track %1%2").arg(i).arg(ext);
                QFile f(path);
                f.open(QIODevice::WriteOnly);
                f.write(QByteArray(100 + i, 'x'));
                (QString(ext) == ".mp3" ? mp3 : wav) << path;
            }
        }
    }
    QTemporaryDir dir;
    QStringList mp3, wav;
};

Files &files()
{
    static Files instance;
    return instance;
}

// The lists with their widgets on a window, as the program has them.
struct Lists {
    Lists() : programFolder(files().dir.path() + "/")
    {
        state.ListsChanged = false;
    }
    QString programFolder;
    tb::ScriptedDialogs dialogs;
    tb::RecordingShell shell;
    tb::LocalFileSystem fileSystem;
    tb::CountingCursor cursor;
    tb::AppContext context{dialogs, shell, fileSystem, cursor, programFolder, programFolder};
    tb::AppState state;
    tb::ProgramOptions options = tb::ProgramOptions::Defaults(programFolder);
    QWidget window;
    tb::TCheckListBox *lstMp3Wav = new tb::TCheckListBox(&window);
    tb::TCheckListBox *lstWavMp3 = new tb::TCheckListBox(&window);
    QPushButton *btnMp3Wav = new QPushButton(&window);
    QPushButton *btnWavMp3 = new QPushButton(&window);
    tb::TConversionLists lists{state, context, tb::ListControls{lstMp3Wav, lstWavMp3, btnMp3Wav, btnWavMp3}, &window};
    tb::TPlayLists playLists{lists, state, options, context};
};

QStringList mixedFiles(int count)
{
    QStringList chosen;
    for (int i = 0; i < count / 2; ++i)
        chosen << files().mp3[i] << files().wav[i];
    return chosen;
}

void BM_Add5000FilesInOneAdd(benchmark::State &state)
{
    application();
    const QStringList chosen = mixedFiles(5000);
    for (auto _ : state) {
        state.PauseTiming();
        auto lists = std::make_unique<Lists>();
        lists->dialogs.openAnswers.push_back(chosen);
        state.ResumeTiming();
        lists->lists.btnAddClick();
        benchmark::DoNotOptimize(lists->lstMp3Wav->count());
        state.PauseTiming();
        lists.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * chosen.size());
}
BENCHMARK(BM_Add5000FilesInOneAdd)->Unit(benchmark::kMillisecond);

void BM_Add5000DuplicatesInOneAdd(benchmark::State &state)
{
    application();
    const QStringList chosen = mixedFiles(5000);
    Lists lists;
    lists.dialogs.openAnswers.push_back(chosen);
    lists.lists.btnAddClick();
    QStringList upper;
    for (const QString &path : chosen)
        upper << path.toUpper();
    for (auto _ : state) {
        lists.dialogs.openAnswers.push_back(upper);
        lists.lists.btnAddClick();
    }
    if (lists.lstMp3Wav->count() + lists.lstWavMp3->count() != 5000)
        state.SkipWithError("duplicates were added");
    state.SetItemsProcessed(state.iterations() * upper.size());
}
BENCHMARK(BM_Add5000DuplicatesInOneAdd)->Unit(benchmark::kMillisecond);

// Both lists with 5,000 items each.
std::unique_ptr<Lists> tenThousandItems()
{
    auto lists = std::make_unique<Lists>();
    lists->dialogs.openAnswers.push_back(mixedFiles(10000));
    lists->lists.btnAddClick();
    return lists;
}

void BM_Save10000ItemPlayList(benchmark::State &state)
{
    application();
    auto lists = tenThousandItems();
    const QString path = files().dir.path() + "/save.lst";
    for (auto _ : state)
        lists->playLists.SavePlayList(path, true); // as at exit: the earlier file is replaced unasked
    state.SetItemsProcessed(state.iterations() * 10000);
    state.counters["bytes"] = static_cast<double>(QFileInfo(path).size());
}
BENCHMARK(BM_Save10000ItemPlayList)->Unit(benchmark::kMillisecond);

void BM_Load10000ItemPlayList(benchmark::State &state)
{
    application();
    const QString path = files().dir.path() + "/load.lst";
    tenThousandItems()->playLists.SavePlayList(path, true);
    Lists lists;
    for (auto _ : state)
        lists.playLists.LoadPlayList(path);
    if (lists.lstMp3Wav->count() + lists.lstWavMp3->count() != 10000)
        state.SkipWithError("not every item was loaded");
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_Load10000ItemPlayList)->Unit(benchmark::kMillisecond);

// A count of 2147483647 over three sections: the time follows the file, not the count.
void BM_LoadPlayListWithHugeCount(benchmark::State &state)
{
    application();
    const QString path = files().dir.path() + "/huge.lst";
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("[General]\r\nID=Tonebridge PlayList\r\nMp3WavCount=2147483647\r\nWavMp3Count=2147483647\r\n\r\n");
    for (int i = 0; i < 3; ++i)
        f.write("[Mp3WavList-File" + QByteArray::number(i * 1000) + "]\r\nFile=" + files().mp3[i].toUtf8() + "\r\n\r\n");
    f.close();
    Lists lists;
    for (auto _ : state)
        lists.playLists.LoadPlayList(path);
    if (lists.lstMp3Wav->count() != 3)
        state.SkipWithError("the three items were not loaded");
}
BENCHMARK(BM_LoadPlayListWithHugeCount)->Unit(benchmark::kMicrosecond);

} // namespace
