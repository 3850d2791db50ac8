#pragma once

#include <QString>

#include <memory>

class QApplication;

// One pass of the launcher: a single running copy, the update library from the launcher's
// own folder, its `updatemanager` entry, and the self-updater with the path it returns.
class UpdateLauncher
{
public:
    // The launcher's own argument count and vector, handed on to the library unchanged.
    UpdateLauncher(int &argc, char **argv);
    ~UpdateLauncher();

    // Runs the whole sequence; returns the process's exit status.
    int run();

    // The boxes' titles: the library's name rejected, not loaded, without its export, and the
    // self-updater not started.
    static constexpr char nameCheckTitle[] = "updatemanger";
    static constexpr char loadErrorTitle[] = "Error";
    static constexpr char missingExportTitle[] = "Warning!";
    static constexpr char startErrorTitle[] = "Pellora";

private:
    enum class Box
    {
        Warning,
        Error
    };
    // Shows a box and returns `status`, the exit status it leads to. Without a display the
    // box's title and text go to stderr instead.
    int showBox(Box kind, const QString &title, const QString &text, int status);

    int &argc;
    char **argv;
    QString result = QStringLiteral("");          // empty, not null: the library may test isNull()
    std::unique_ptr<QApplication> ownApplication; // made only when a box must be shown
};
