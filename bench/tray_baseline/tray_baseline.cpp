// The yardstick for the idle cost of the program: a minimal Qt 6 tray monitor. Once a second it
// reads the free memory and the processor counters from /proc and shows them in a small window and
// in the tooltip of its notification-area icon. Nothing else.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

QByteArray ReadAll(const char* path) {
    QFile f(QString::fromLatin1(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

long long Field(const QByteArray& meminfo, const QByteArray& name) {
    const qsizetype at = meminfo.indexOf(name + ':');
    if (at < 0) return 0;
    const qsizetype end = meminfo.indexOf('\n', at);
    return meminfo.mid(at + name.size() + 1, end - at - name.size() - 1).trimmed().split(' ').value(0).toLongLong();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::darkGreen);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.show();
    QLabel label;
    label.resize(240, 40);
    label.show();

    long long lastBusy = 0, lastTotal = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const QList<QByteArray> cpu = ReadAll("/proc/stat").split('\n').value(0).simplified().split(' ');
        long long total = 0;
        for (qsizetype i = 1; i < cpu.size(); ++i) total += cpu[i].toLongLong();
        const long long busy = total - cpu.value(4).toLongLong() - cpu.value(5).toLongLong();
        const long long load = total > lastTotal ? 100 * (busy - lastBusy) / (total - lastTotal) : 0;
        lastBusy = busy;
        lastTotal = total;
        const long long freeMB = Field(ReadAll("/proc/meminfo"), "MemAvailable") / 1024;
        const QString text = QStringLiteral("Free %1 MB - - - CPU %2%").arg(freeMB).arg(load);
        label.setText(text);
        tray.setToolTip(text);
    });
    timer.start(1000);
    return app.exec();
}
