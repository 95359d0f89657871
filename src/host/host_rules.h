// Rules every host follows the same way, whatever toolkit draws the windows: the twips-to-pixels
// conversion, the buttons of a message box, how a scroll bar's arrows and a reversed range behave,
// and what a click on the tray icon means to the program.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/host.h"

namespace host {

// ---- twips and pixels ----

inline constexpr int kTwipsPerPixel = 15;

// Twips to logical pixels, to the nearest pixel (halves away from zero).
constexpr int Px(int twips) {
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}
constexpr int Twips(int px) { return px * kTwipsPerPixel; }

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

// Converts both edges rather than the size, so that controls that touch in twips touch on the screen.
constexpr PixelRect PxRect(int left, int top, int width, int height) {
    const int x0 = Px(left), y0 = Px(top);
    return {x0, y0, Px(left + width) - x0, Px(top + height) - y0};
}

// Whether a window at left, top (twips) of the given size shows at least in part on some monitor.
bool OnSomeScreen(int left, int top, int width, int height, const std::vector<ScreenRect>& screens);

// ---- message boxes ----

// Button sets (style & 7), beyond vbOKOnly, vbOKCancel and vbYesNo in host.h.
inline constexpr int vbAbortRetryIgnore = 2;
inline constexpr int vbYesNoCancel = 3;
inline constexpr int vbRetryCancel = 5;
// Answers beyond vbOK, vbCancel, vbYes and vbNo.
inline constexpr int vbAbort = 3;
inline constexpr int vbRetry = 4;
inline constexpr int vbIgnore = 5;

enum class MsgBoxIcon { None, Critical, Question, Exclamation, Information };

struct MsgBoxLayout {
    MsgBoxIcon icon = MsgBoxIcon::None;
    std::vector<int> answers;       // one button per answer, left to right
    std::size_t defaultButton = 0;  // index into answers
    int answerOnClose = 0;          // closed without a button (Escape, the title bar), or never shown
};

MsgBoxLayout MsgBoxFor(int style);

// ---- scroll bars ----

// One press on a bar's arrow: the upper arrow (direction < 0) moves towards Min, the lower one
// towards Max, whichever is larger, by SmallChange and never past the end it moves to.
int ArrowStep(int min, int max, int smallChange, int value, int direction);

// A bar whose Min lies above Max runs the other way; a toolkit wanting an ordered range is given
// negated figures, and what it reports back is negated again.
struct BarRange {
    int min = 0, max = 0, value = 0;
    bool operator==(const BarRange&) const = default;
};
BarRange ToolkitBar(int min, int max, int value);
int ModelValueOfBar(int min, int max, int toolkitValue);

// ---- folder lists ----

// A folder list holds whole paths; it shows each folder by its own name, indented by its depth. A
// root ("/" or a drive such as "C:\") is shown whole, at the left.
struct FolderEntry {
    std::string name;
    int depth = 0;
};
FolderEntry FolderEntryOf(const std::string& path);

// The row a list shows selected: its ListIndex, or, for a drive or folder list with nothing
// selected, the row that holds its Path (letters compared without case). -1 for none.
int ShownListIndex(const forms::Control& list);

// ---- the tray icon ----

enum class TrayClick { Single, Double, Context, Other };

// The mouse message a click on the tray icon delivers to the program, or 0 for none. A host that
// talks to the tray over D-Bus sends its activate click in place of a double-click; a single click
// on any other tray means nothing.
int TrayMouseMessage(TrayClick click, bool viaDBus);

}  // namespace host
