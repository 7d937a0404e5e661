// The yardstick of the idle saver's memory: an ordinary full-screen Qt window, black, painted
// through the toolkit's backing store, in a program that links SDL2_mixer as the saver does. It
// shows until it is ended (SIGTERM), so its peak can be read as the saver's is.
#include <SDL_mixer.h>

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Asked of the library, so the link is real and the library is loaded as the saver loads it.
    const SDL_version* mixer = Mix_Linked_Version();
    std::fprintf(stderr, "SDL2_mixer %d.%d.%d\n", mixer->major, mixer->minor, mixer->patch);
    QWidget window;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    QPalette black = window.palette();
    black.setColor(QPalette::Window, Qt::black);
    window.setPalette(black);
    window.setAutoFillBackground(true);
    // Without a window manager nothing sizes a full-screen window: it is given the screen's area.
    window.setGeometry(QGuiApplication::primaryScreen()->geometry());
    window.showFullScreen();
    return app.exec();
}
