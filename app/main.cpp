#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    QTextStream(stdout) << "Korvane " << KORVANE_VERSION
                        << ": the conversion engine is being built; the main window does not exist yet.\n";
    return 0;
}
