#include "PlayList.h"

#include "platform/BusyCursor.h"
#include "platform/Exception.h"
#include "settings/BigIniFile.h"

#include <algorithm>

namespace tb {

namespace {
const QString General = QStringLiteral("General");
const QString Mp3WavPrefix = QStringLiteral("Mp3WavList-File");
const QString WavMp3Prefix = QStringLiteral("WavMp3List-File");
} // namespace

std::vector<int32_t> ListSectionNumbers(const TBigIniFile &ini, const QString &prefix, int32_t count)
{
    std::vector<int32_t> numbers;
    if (count <= 0)
        return numbers;
    // Section names compare as the engine compares them: case-folded.
    const std::string foldedPrefix = foldCase(prefix.toStdString());
    for (const TSectionList::Section &section : ini.Sections().sections()) {
        const std::string name = foldCase(section.name);
        if (name.size() <= foldedPrefix.size() || name.compare(0, foldedPrefix.size(), foldedPrefix) != 0)
            continue;
        const std::string digits = name.substr(foldedPrefix.size());
        if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0') ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const int64_t number = std::stoll(digits);
        if (number < count)
            numbers.push_back(static_cast<int32_t>(number));
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

TPlayLists::TPlayLists(TConversionLists &lists, AppState &state, ProgramOptions &options, AppContext &context)
    : lists_(lists), state_(state), options_(options), context_(context)
{
}

bool TPlayLists::IsPlayListFile(const QString &path)
{
    TBiggerIniFile ini(path);
    return ini.ReadString(General, QStringLiteral("ID"), QString()) == QLatin1String(PlayListID);
}

bool TPlayLists::LoadPlayList(const QString &path)
{
    BusyCursor busy(context_.cursor);
    TBiggerIniFile ini(path);
    if (ini.ReadString(General, QStringLiteral("ID"), QString()) != QLatin1String(PlayListID)) {
        context_.dialogs.message(QStringLiteral("Invalid playlist file!\n") + path);
        return false;
    }
    const int32_t mp3WavCount = ini.ReadInteger(General, QStringLiteral("Mp3WavCount"), 0);
    const int32_t wavMp3Count = ini.ReadInteger(General, QStringLiteral("WavMp3Count"), 0);
    // Only 0 and 1 name a list. DoWhat itself changes only when the tab is activated below, so
    // a load stopped by an error leaves it agreeing with the list in front.
    const DoWhatValues doWhat = ini.ReadInteger(General, QStringLiteral("DoWhat"), 0) >= 1 ? dwWavToMp3 : dwMp3ToWav;
    loadList(ini, Mp3WavPrefix, mp3WavCount, dwMp3ToWav);
    loadList(ini, WavMp3Prefix, wavMp3Count, dwWavToMp3);
    lists_.activateTab(doWhat);
    return true;
}

void TPlayLists::loadList(TBigIniFile &ini, const QString &prefix, int32_t count, int32_t doWhat)
{
    lists_.ClearList(doWhat);
    for (int32_t number : ListSectionNumbers(ini, prefix, count)) {
        const QString section = prefix + QString::number(number);
        const QString path = ini.ReadString(section, QStringLiteral("File"), QString());
        if (!context_.fileSystem.fileExists(path))
            continue;
        const bool checked = ini.ReadBool(section, QStringLiteral("Checked"), true);
        lists_.AppendFile(doWhat, path, checked);
    }
}

void TPlayLists::SavePlayList(const QString &path, bool overwrite)
{
    const TCheckListBox &mp3Wav = lists_.list(dwMp3ToWav);
    const TCheckListBox &wavMp3 = lists_.list(dwWavToMp3);
    if (mp3Wav.count() == 0 && wavMp3.count() == 0)
        return;
    if (context_.fileSystem.fileExists(path)) {
        bool ask = !overwrite;
        if (!ask) {
            try {
                ask = !IsPlayListFile(path);
            } catch (const EInOutError &) {
                ask = true; // what cannot be read cannot be known to be ours
            }
        }
        if (ask && !context_.dialogs.confirm(QStringLiteral("The destination file has existed, overwrite it?")))
            return;
    }
    BusyCursor busy(context_.cursor);
    // The new content replaces the old file only once it is completely written; a file that
    // may not be written is refused, and nothing is deleted beforehand.
    TBiggerIniFile ini(path);
    ini.Clear();
    ini.WriteString(General, QStringLiteral("ID"), QString::fromLatin1(PlayListID));
    ini.WriteInteger(General, QStringLiteral("Mp3WavCount"), mp3Wav.count());
    ini.WriteInteger(General, QStringLiteral("WavMp3Count"), wavMp3.count());
    ini.WriteInteger(General, QStringLiteral("DoWhat"), state_.DoWhat);
    auto writeList = [&ini](const TCheckListBox &l, const QString &prefix) {
        for (int row = 0; row < l.count(); ++row) {
            const QString section = prefix + QString::number(row);
            ini.WriteString(section, QStringLiteral("File"), l.item(row).path);
            ini.WriteBool(section, QStringLiteral("Checked"), l.item(row).checked);
        }
    };
    writeList(mp3Wav, Mp3WavPrefix);
    writeList(wavMp3, WavMp3Prefix);
    ini.UpdateFile();
}

void TPlayLists::saveThroughDialog()
{
    const QString path = context_.dialogs.saveFile(QString::fromLatin1(Filter), QStringLiteral("lst"),
                                                   context_.programFolder);
    if (path.isEmpty())
        return;
    if (lists_.repaintWindow)
        lists_.repaintWindow();
    SavePlayList(path, false);
    state_.ListsChanged = false;
}

void TPlayLists::btnSaveClick()
{
    if (!PassesGuard(state_, context_.dialogs))
        return;
    saveThroughDialog();
}

void TPlayLists::btnOpenClick()
{
    if (!PassesGuard(state_, context_.dialogs))
        return;
    if (state_.ListsChanged && context_.dialogs.confirm(QStringLiteral("Current list items have changed, save it?")))
        saveThroughDialog();
    const QStringList chosen = context_.dialogs.openFiles(QString::fromLatin1(Filter), false);
    if (chosen.isEmpty())
        return;
    if (lists_.repaintWindow)
        lists_.repaintWindow();
    const QString path = chosen.first();
    // A file that is not a playlist never becomes the last playlist, so exit cannot overwrite it.
    if (!LoadPlayList(path))
        return;
    options_.LastPlayList = path;
    state_.ListsChanged = false;
    TAppIniFile ini(context_.programFolder);
    ini.WriteString(QString::fromLatin1(ProgramOptions::Section), QStringLiteral("LastPlayList"), path);
    ini.UpdateFile();
}

} // namespace tb
