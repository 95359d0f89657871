// The Disk page: the chosen drive's size, free space, free share with its bar, and file system,
// refreshed every two seconds while the page is shown. A drive that is not ready is not shown: the
// page falls back to drive C.
#include "sysinfo/disk.h"

#include <vector>

#include "app/form5.h"
#include "common/convert.h"

namespace tarnolux {

namespace Disk {

namespace {

std::int64_t WholeMB(std::uint64_t bytes) {
    return static_cast<std::int64_t>(RoundHalfEven(static_cast<double>(bytes) / 1024.0 / 1024.0));
}

}  // namespace

std::string DriveRoot(const std::string& drive) { return drive.substr(0, 1) + ":\\"; }

std::int64_t DriveTotalMB(platform::System& sys, const std::string& drive) {
    const auto space = sys.GetDiskFreeSpace(DriveRoot(drive));
    return space ? WholeMB(space->totalBytes) : 0;
}

std::int64_t DriveFreeMB(platform::System& sys, const std::string& drive) {
    const auto space = sys.GetDiskFreeSpace(DriveRoot(drive));
    return space ? WholeMB(space->freeBytes) : 0;
}

std::string DriveFileSystemName(platform::System& sys, const std::string& drive) {
    const auto volume = sys.GetVolumeInformation(DriveRoot(drive));
    if (!volume) return {};
    const std::string name = volume->fileSystem.substr(0, volume->fileSystem.find('\0'));
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return ProperCase(name.substr(first, name.find_last_not_of(' ') - first + 1));
}

std::string ProperCase(const std::string& text) {
    std::string out = text;
    bool wordStart = true;
    for (char& c : out) {
        if (c >= 'a' && c <= 'z' && wordStart) c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z' && !wordStart) c = static_cast<char>(c - 'A' + 'a');
        wordStart = c == ' ' || c == '\t';
    }
    return out;
}

}  // namespace Disk

namespace {

// The drive list follows the machine's drives: a medium mounted meanwhile appears, one taken away
// goes. The list is rebuilt only when it changed, keeping the current drive selected.
void RefreshDriveList(forms::Control& list, platform::System& sys) {
    const std::vector<std::string> drives = sys.Drives();
    if (drives == list.items()) return;
    list.clear();
    for (const std::string& d : drives) list.addItem(d);
    for (int i = 0; i < list.listCount(); ++i)
        if (list.list(i) == list.path()) list.setListIndex(i);
}

// Shows the current drive, or, when it is not ready, makes drive C the current one (whose change
// notification then shows it).
void ProbeAndShow(Form5& f) {
    const std::string drive = f.Drive1->path();
    if (!drive.empty() && f.P.sys.DriveReady(Disk::DriveRoot(drive))) {
        f.ShowDriveInfo(drive);
        return;
    }
    for (int i = 0; i < f.Drive1->listCount(); ++i) {
        const std::string entry = f.Drive1->list(i);
        if (!entry.empty() && LowerCase(entry.substr(0, 1)) == "c") {
            f.Drive1->setListIndex(i);
            f.Drive1->setPath(entry);
            return;
        }
    }
}

}  // namespace

void Form5::ShowDriveInfo(const std::string& drive) {
    const std::int64_t free = Disk::DriveFreeMB(P.sys, drive);
    const std::int64_t total = Disk::DriveTotalMB(P.sys, drive);
    // Without a total there is no share: the percentage reads 0 and the bar stays as it was.
    std::int64_t percent = 0;
    if (total != 0) {
        const double share = static_cast<double>(free) / static_cast<double>(total);
        percent = static_cast<std::int64_t>(RoundHalfEven(share * 100.0));
        const double width = RoundHalfEven(Label19(3).width() * (1.0 - share));
        if (width >= 0 && width <= Label19(3).width()) Shape1(4).setWidth(static_cast<int>(width));
    }
    Label17->setCaption("    " + Dec(percent) + "%");
    Label10(0).setCaption(DriveTexts[0] + Dec(total) + " MB.");
    Label10(1).setCaption(DriveTexts[1] + Dec(free) + " MB.");
    Label10(2).setCaption(DriveTexts[2] + Disk::DriveFileSystemName(P.sys, drive));
}

void Form5::Drive1_Change() {
    Timer2->setEnabled(false);
    ProbeAndShow(*this);
    Timer2->setEnabled(true);
}

void Form5::Timer2_Timer() {
    RefreshDriveList(*Drive1, P.sys);
    ProbeAndShow(*this);
}

}  // namespace tarnolux
