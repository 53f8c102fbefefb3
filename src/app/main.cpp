#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("Orvant2");
    std::puts("Orvant2: the main window is not built yet.");
    return 0;
}
