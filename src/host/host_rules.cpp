#include "host/host_rules.h"

#include <algorithm>
#include <cstdint>


namespace host {

bool OnSomeScreen(int left, int top, int width, int height, const std::vector<ScreenRect>& screens) {
    const std::int64_t right = std::int64_t{left} + width, bottom = std::int64_t{top} + height;
    return std::any_of(screens.begin(), screens.end(), [&](const ScreenRect& s) {
        return left < std::int64_t{s.left} + s.width && right > s.left && top < std::int64_t{s.top} + s.height &&
               bottom > s.top;
    });
}

MsgBoxLayout MsgBoxFor(int style) {
    MsgBoxLayout box;
    switch (style & 0x70) {
    case vbCritical: box.icon = MsgBoxIcon::Critical; break;
    case vbQuestion: box.icon = MsgBoxIcon::Question; break;
    case vbExclamation: box.icon = MsgBoxIcon::Exclamation; break;
    case vbInformation: box.icon = MsgBoxIcon::Information; break;
    default: break;
    }
    switch (style & 7) {
    case vbOKCancel: box.answers = {vbOK, vbCancel}; break;
    case vbAbortRetryIgnore: box.answers = {vbAbort, vbRetry, vbIgnore}; break;
    case vbYesNoCancel: box.answers = {vbYes, vbNo, vbCancel}; break;
    case vbYesNo: box.answers = {vbYes, vbNo}; break;
    case vbRetryCancel: box.answers = {vbRetry, vbCancel}; break;
    default: box.answers = {vbOK}; break;
    }
    const auto def = static_cast<std::size_t>((style >> 8) & 3);
    box.defaultButton = def < box.answers.size() ? def : 0;
    // Closed without a button: the way out, as Escape chooses it. Where both Cancel and No are
    // offered, Cancel is the way out; No is an answer in its own right.
    const auto offers = [&](int answer) {
        return std::find(box.answers.begin(), box.answers.end(), answer) != box.answers.end();
    };
    box.answerOnClose = offers(vbCancel) ? vbCancel : offers(vbNo) ? vbNo : box.answers.front();
    return box;
}

int ArrowStep(int min, int max, int smallChange, int value, int direction) {
    const int target = direction < 0 ? min : max;
    const int step = std::max(1, smallChange);
    return value < target ? std::min(value + step, target) : value > target ? std::max(value - step, target) : value;
}

BarRange ToolkitBar(int min, int max, int value) {
    if (min > max) return {-min, -max, -value};
    return {min, max, value};
}

int ModelValueOfBar(int min, int max, int toolkitValue) { return min > max ? -toolkitValue : toolkitValue; }

int TrayMouseMessage(TrayClick click, bool viaDBus) {
    switch (click) {
    case TrayClick::Double: return WM_LBUTTONDBLCLK;
    case TrayClick::Single: return viaDBus ? WM_LBUTTONDBLCLK : 0;
    case TrayClick::Context: return WM_RBUTTONDOWN;
    default: return 0;
    }
}

FolderEntry FolderEntryOf(const std::string& path) {
    const auto isSep = [](char ch) { return ch == '/' || ch == '\\'; };
    std::string trimmed = path;
    while (trimmed.size() > 1 && isSep(trimmed.back())) trimmed.pop_back();
    const auto cut = trimmed.find_last_of("/\\");
    if (cut == std::string::npos || cut + 1 == trimmed.size()) return {path, 0};
    return {trimmed.substr(cut + 1), static_cast<int>(std::count_if(trimmed.begin(), trimmed.end(), isSep))};
}

int ShownListIndex(const forms::Control& list) {
    if (list.listIndex() >= 0 || list.path().empty()) return list.listIndex();
    const auto lower = [](std::string s) {
        for (char& ch : s)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        return s;
    };
    const std::string path = lower(list.path());
    int index = -1;
    for (int i = 0; i < list.listCount(); ++i)
        if (lower(list.list(i)) == path) index = i;
    return index;
}

}  // namespace host
