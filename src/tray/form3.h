// The sound chooser "Select .WAV File": a drive list, a folder list and a list of the wave files of
// the chosen folder. OK hands the chosen path to the main window through the Tag of its Command2.
#pragma once

#include <string>
#include <vector>

#include "app/program.h"
#include "forms/forms.h"

namespace tarnolux {

class Form3 : public forms::Form {
public:
    explicit Form3(Program& program);

    Program& P;

    using C = forms::Control*;
    C Text1{}, Drive1{}, Dir1{}, File1{}, Command1{};

    // OK was pressed since the chooser was last shown; closing it otherwise hands nothing over.
    bool Confirmed = false;

    void Form_Load() override;
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void File1_DblClick();
    void Command1_Click();

private:
    struct Drive {
        std::string entry;  // as the list shows it
        std::string root;   // the folder it stands for, ending in the separator
    };

    void Design();
    // What the lists themselves do when their path changes: show what the path holds.
    void FillDrives();
    void FillFolders();
    void FillFiles();
    // Moves the folder list to `folder`; false (and nothing changes) when it cannot be opened.
    bool ShowFolder(const std::string& folder);
    // The drive list's entry that holds `path`; empty when none does.
    std::string DriveOf(const std::string& path) const;
    std::string RootOf(const std::string& entry) const;
    bool FolderExists(const std::string& folder);
    std::vector<std::string> List(const std::string& pattern, int attributes);

    std::vector<Drive> drives_;
};

}  // namespace tarnolux
