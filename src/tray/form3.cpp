// The sound chooser and the Options page's browse button that opens it.
#include "tray/form3.h"

#include <algorithm>

#include "app/form5.h"
#include "common/convert.h"
#include "settings/modules.h"

namespace tarnolux {

namespace {

constexpr int kFolders = platform::vbDirectory | platform::vbHidden | platform::vbSystem;

bool LessNoCase(const std::string& a, const std::string& b) {
    const std::string la = LowerCase(a), lb = LowerCase(b);
    return la != lb ? la < lb : a < b;
}

}  // namespace

Form3::Form3(Program& program) : forms::Form(program.app, "Form3"), P(program) { Design(); }

void Form3::Design() {
    setCaption("Select .WAV File");
    setBorderStyle(3);
    setShowInTaskbar(false);
    setStartUpPosition(2);
    setWidth(4335);
    setHeight(3690);

    Text1 = &add(forms::Kind::TextBox, "Text1");
    Text1->move(120, 120, 4095, 285);
    Drive1 = &add(forms::Kind::DriveListBox, "Drive1");
    Drive1->move(120, 520, 2055, 315);
    Dir1 = &add(forms::Kind::DirListBox, "Dir1");
    Dir1->move(120, 840, 2055, 2115);
    File1 = &add(forms::Kind::FileListBox, "File1");
    File1->move(2160, 520, 2055, 2430);
    File1->setPattern("*.wav");
    Command1 = &add(forms::Kind::CommandButton, "Command1");
    Command1->move(1560, 3240, 1215, 355);
    Command1->setCaption("OK");

    Drive1->Change = [this] { Drive1_Change(); };
    Dir1->Change = [this] {
        FillFolders();
        Dir1_Change();
    };
    File1->Change = [this] { FillFiles(); };
    File1->Click = [this] { File1_Click(); };
    File1->DblClick = [this] { File1_DblClick(); };
    Command1->Click = [this] { Command1_Click(); };
}

// ---- paths ----------------------------------------------------------------------------------------
// A folder is written without a trailing separator, except a root ("/", "C:\"), which ends with it.

namespace {

std::size_t RootLength(const std::string& path, char sep) {
    const auto first = path.find(sep);
    return first == std::string::npos ? 0 : first + 1;
}

std::string Normalized(std::string path, char sep) {
    const std::size_t root = RootLength(path, sep);
    while (path.size() > root && path.back() == sep) path.pop_back();
    return path;
}

std::string Join(const std::string& folder, const std::string& name, char sep) {
    return !folder.empty() && folder.back() == sep ? folder + name : folder + sep + name;
}

// "/a/b" -> "/", "/a", "/a/b".
std::vector<std::string> FolderChain(const std::string& folder, char sep) {
    std::vector<std::string> chain;
    const std::size_t root = RootLength(folder, sep);
    if (root == 0) return chain;
    chain.push_back(folder.substr(0, root));
    for (std::size_t i = root; i < folder.size(); ++i)
        if (folder[i] == sep) chain.push_back(folder.substr(0, i));
    if (folder.size() > root) chain.push_back(folder);
    return chain;
}

}  // namespace

bool Form3::FolderExists(const std::string& folder) {
    const char sep = P.sys.PathSeparator();
    const std::size_t root = RootLength(folder, sep);
    if (root == 0) return false;  // only whole paths
    if (folder.size() == root) return true;
    const auto cut = folder.rfind(sep);
    const std::string parent = cut < root ? folder.substr(0, root) : folder.substr(0, cut);
    const std::string name = folder.substr(cut + 1);
    const std::string pattern = Join(parent, name, sep);
    const auto listed = [&](int attributes) {
        const std::vector<std::string> found = List(pattern, attributes);
        return std::find(found.begin(), found.end(), name) != found.end();
    };
    // Listed among folders and files, but not among files alone.
    return listed(kFolders) && !listed(platform::vbHidden | platform::vbSystem);
}

std::string Form3::DriveOf(const std::string& path) const {
    const char sep = P.sys.PathSeparator();
    // Windows paths do not tell "Z:\" from "z:\"; the drive list writes its letters small.
    const auto fold = [sep](const std::string& s) { return sep == '\\' ? LowerCase(s) : s; };
    const std::string where = fold(path);
    const Drive* best = nullptr;
    for (const Drive& d : drives_) {
        const std::string root = fold(d.root), inside = Join(root, "", sep);
        const bool holds = where == root || where.compare(0, inside.size(), inside) == 0;
        if (holds && (!best || d.root.size() > best->root.size())) best = &d;
    }
    return best ? best->entry : std::string{};
}

std::string Form3::RootOf(const std::string& entry) const {
    for (const Drive& d : drives_)
        if (d.entry == entry) return d.root;
    return {};
}

// ---- the lists ------------------------------------------------------------------------------------

// A folder on a share that stops answering must not freeze the windows: the search runs aside. The
// user may pick another folder meanwhile; the list that is filled is always the newest one's.
std::vector<std::string> Form3::List(const std::string& pattern, int attributes) {
    std::vector<std::string> found;
    P.host.RunAside([&](std::stop_token) { found = P.sys.Dir(pattern, attributes); });
    return found;
}

void Form3::FillDrives() {
    const char sep = P.sys.PathSeparator();
    std::vector<Drive> drives;
    for (const std::string& entry : P.sys.Drives()) {
        // "d: /home": a letter, a colon and the folder the drive stands for; "c: [label]": a letter
        // and a colon, the drive's root being "c:\".
        if (entry.size() > 3 && entry[1] == ':' && entry[2] == ' ' && entry[3] == sep)
            drives.push_back({entry, Normalized(entry.substr(3), sep)});
        else if (entry.size() >= 2 && entry[1] == ':')
            drives.push_back({entry, entry.substr(0, 2) + sep});
        else
            drives.push_back({entry, Normalized(entry, sep)});
    }
    drives_ = std::move(drives);
    std::vector<std::string> entries;
    for (const Drive& d : drives_) entries.push_back(d.entry);
    if (entries == Drive1->items()) return;
    Drive1->clear();
    for (const std::string& e : entries) Drive1->addItem(e);
}

void Form3::FillFolders() {
    const char sep = P.sys.PathSeparator();
    const std::string folder = Dir1->path();
    std::vector<std::string> entries = FolderChain(folder, sep);
    // Folders are what the search finds with the folder bit, less what it finds without it.
    const std::string pattern = Join(folder, "*", sep);
    std::vector<std::string> names = List(pattern, platform::vbDirectory);
    const std::vector<std::string> files = List(pattern, platform::vbNormal);
    if (Dir1->path() != folder || !loaded()) return;  // another folder was chosen meanwhile and shown
    std::erase_if(names, [&](const std::string& n) { return std::find(files.begin(), files.end(), n) != files.end(); });
    std::sort(names.begin(), names.end(), LessNoCase);
    for (const std::string& n : names) entries.push_back(Join(folder, n, sep));
    Dir1->clear();
    for (const std::string& e : entries) Dir1->addItem(e);
}

void Form3::FillFiles() {
    const std::string folder = File1->path(), pattern = File1->pattern();
    std::vector<std::string> names = List(Join(folder, pattern, P.sys.PathSeparator()), platform::vbNormal);
    if (File1->path() != folder || File1->pattern() != pattern || !loaded()) return;  // a newer listing filled it
    std::sort(names.begin(), names.end(), LessNoCase);
    File1->clear();
    for (const std::string& n : names) File1->addItem(n);
}

bool Form3::ShowFolder(const std::string& folder) {
    const std::string target = Normalized(folder, P.sys.PathSeparator());
    if (!FolderExists(target)) return false;
    if (Dir1->path() != target) {
        Dir1->setPath(target);
    } else {
        // The same folder again: its contents may have changed since.
        FillFolders();
        Dir1_Change();
        FillFiles();
    }
    return true;
}

// ---- events ---------------------------------------------------------------------------------------

void Form3::Form_Load() {
    Confirmed = false;
    Text1->setText("");
    FillDrives();

    std::string programFolder = General::ProgramFolder(P.sys);
    if (programFolder.empty()) programFolder = General::Sep(P.sys);
    const std::string stored = Settings::GetSetting(P.sys, "TALVO", kAppTitle, "LastAccessWAVDir", programFolder);
    // A stored folder that is gone: the lists stay where they were, or start in the program folder.
    if (!ShowFolder(stored) && Dir1->path().empty() && !ShowFolder(programFolder) && !drives_.empty())
        ShowFolder(drives_.front().root);

    const std::string drive = DriveOf(Dir1->path());
    if (!drive.empty()) Drive1->setPath(drive);
}

void Form3::Drive1_Change() {
    const std::string root = RootOf(Drive1->path());
    // Already on that drive (the chooser has just opened in a folder of it): stay in that folder.
    if (root.empty() || DriveOf(Dir1->path()) == Drive1->path()) return;
    // A drive without media, or a share that hangs, leaves the lists as they are; asking it is bounded
    // in time, listing it is not.
    if (!P.sys.DriveReady(Drive1->path())) return;
    ShowFolder(root);
}

void Form3::Dir1_Change() { File1->setPath(Dir1->path()); }

void Form3::File1_Click() {
    const int i = File1->listIndex();
    if (i < 0) return;
    const char sep = P.sys.PathSeparator();
    std::string path = File1->path();
    if (path.empty() || path.back() != sep) path += sep;
    Text1->setText(path + File1->list(i));
}

void Form3::File1_DblClick() { Command1_Click(); }

void Form3::Command1_Click() {
    P.form5().Command2->setTag(Text1->text());
    Settings::SaveSetting(P.sys, "TALVO", kAppTitle, "LastAccessWAVDir", File1->path());
    Confirmed = true;
    Unload();
}

void Form5::Command2_Click() {
    Form3& chooser = P.form3();
    chooser.Confirmed = false;
    chooser.Show(true);
    // Closing the chooser without OK keeps the sound the user had; OK without a file clears it.
    if (chooser.Confirmed) Text6->setText(Command2->tag());
}

}  // namespace tarnolux
