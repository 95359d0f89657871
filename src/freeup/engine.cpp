// The free-up engine: pop-up, sound, and a block of memory claimed, written in full and released.
#include <exception>
#include <memory>
#include <stop_token>
#include <string>

#include "app/form5.h"
#include "common/convert.h"
#include "freeup/form2.h"
#include "freeup/play_sound.h"
#include "host/host.h"

namespace tarnolux {

namespace {

constexpr unsigned kShowNoActivate = host::SWP_SHOWWINDOW | host::SWP_NOACTIVATE;

// A step that fails is abandoned and the next one runs; nothing is reported.
template <typename Step>
void IgnoringErrors(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

int ToPixels(int twips, int twipsPerPixel) {
    if (twipsPerPixel <= 0) twipsPerPixel = 15;
    return static_cast<int>(RoundHalfEven(static_cast<double>(twips) / twipsPerPixel));
}

}  // namespace

void BringToFrontOnce(Program& P, forms::Form& form) {
    host::Host& h = P.host;
    const int x = ToPixels(form.left(), h.TwipsPerPixelX());
    const int y = ToPixels(form.top(), h.TwipsPerPixelY());
    h.SetWindowPos(form, host::HWND_TOPMOST, x, y, ToPixels(form.width(), h.TwipsPerPixelX()),
                   ToPixels(form.height(), h.TwipsPerPixelY()), kShowNoActivate);
    h.DoEvents();
    // Read again: a handler that ran meanwhile may have resized the window.
    h.SetWindowPos(form, host::HWND_NOTOPMOST, x, y, ToPixels(form.width(), h.TwipsPerPixelX()),
                   ToPixels(form.height(), h.TwipsPerPixelY()), kShowNoActivate);
}

Form2::Form2(Program& program) : forms::Form(program.app, "Form2"), P(program) {
    setBorderStyle(0);
    setShowInTaskbar(false);
    setStartUpPosition(2);
    move(0, 0, 4095, 1500);
    Check1 = &add(forms::Kind::CheckBox, "Check1");
    Check1->move(0, 0, 4095, 1500);
    Check1->setStyle(1);
    forms::Font font = Check1->font();
    font.bold = true;
    font.size = 8.25;
    Check1->setFont(font);
    Check1->setForeColor(forms::RGB(255, 255, 0));
    Check1->setBackColor(forms::RGB(175, 155, 236));
}

// Centred on the screen, so that Left and Top tell where it really is.
void Form2::Form_Load() {
    move((P.host.ScreenWidth() - width()) / 2, (P.host.ScreenHeight() - height()) / 2);
}

void Form2::Form_Activate() {
    IgnoringErrors([&] { BringToFrontOnce(P, *this); });
}

void Form5::DefragMemoryNow(std::int32_t& SizeOfMemoryToDefrag) {
    // Events run below; a trigger or a menu click arriving then must not start a second one.
    if (Defragging) return;
    Defragging = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{Defragging};

    bool popupShown = false;
    IgnoringErrors([&] {
        if (Check4(2).value() != forms::vbChecked) return;
        Form2& popup = P.form2();
        popup.Check1->setCaption(Label20->caption() + "\r\r" + PopupTexts[0]);
        popup.Show();
        popupShown = true;
    });
    IgnoringErrors([&] { P.host.DoEvents(); });
    // Under a window manager one pass of events does not get a new window on the screen.
    IgnoringErrors([&] {
        if (popupShown && P.form2Loaded() && P.form2().visible()) P.host.PaintNow(P.form2());
    });

    // The sound and the claim take seconds: they run aside while the windows keep painting and the
    // timers ticking. What they need is read here, before anything can change it.
    const bool playSound = Check4(3).value() == forms::vbChecked;
    const std::string file = playSound ? Text6->text() : std::string();
    constexpr std::uint64_t kMB = 1048576;
    const std::uint64_t bytes = SizeOfMemoryToDefrag > 0 ? static_cast<std::uint64_t>(SizeOfMemoryToDefrag) * kMB : 0;
    platform::System& sys = P.sys;
    std::unique_ptr<platform::MemoryBlock> block;
    ClaimNote note;
    std::int64_t claimStart = sys.MonotonicMs();
    IgnoringErrors([&] {
        P.host.RunAside([&](std::stop_token stop) {
            IgnoringErrors([&] {
                constexpr int kAnyFile = platform::vbReadOnly | platform::vbHidden | platform::vbSystem;
                if (playSound && !file.empty() && !sys.Dir(file, kAnyFile).empty())
                    PlaySound::PlayWaveFile(sys, file, stop);
            });
            IgnoringErrors([&] {
                claimStart = sys.MonotonicMs();
                if (bytes > 0 && !stop.stop_requested()) block = sys.ClaimMemory(bytes, stop);
                note.stopped = stop.stop_requested();
            });
        });
    });
    IgnoringErrors([&] {
        if (P.form2Loaded()) P.form2().Hide();
    });
    // Giving back gigabytes keeps the kernel busy for a moment too.
    if (block) {
        note.claimedBytes = block->size();
        IgnoringErrors([&] { P.host.RunAside([&](std::stop_token) { block.reset(); }); });
        block.reset();
    }
    note.ms = sys.MonotonicMs() - claimStart;
    LastClaim = note;
}

}  // namespace tarnolux
