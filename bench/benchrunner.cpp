// benchrunner BUILD_DIR [MEASURE...]: measures the programs against their natural limits, each in
// the same run on the same machine, and prints one table. Every figure is a median.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <vector>

extern char **environ;

namespace {
struct Run
{
    double milliseconds = 0;
    double peakMiB = 0;
    int status = -1;
    QString output;
};

double now()
{
    timespec t = {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

// Runs a program with extra environment entries; its output goes to a file read back after.
Run run(const QStringList &command, const QStringList &environment = {})
{
    std::vector<QByteArray> storage;
    std::vector<char *> argv, envp;
    for (const QString &word : command)
        storage.push_back(QFile::encodeName(word));
    for (auto &word : storage)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envStorage;
    for (const QString &entry : environment)
        envStorage.push_back(entry.toLocal8Bit());
    for (char **e = environ; *e; ++e) {
        const QByteArray entry(*e);
        const bool replaced =
            std::any_of(environment.begin(), environment.end(), [&entry](const QString &mine) {
                return entry.startsWith(
                    QByteArray(mine.section(QLatin1Char('='), 0, 0).toLocal8Bit() + '='));
            });
        if (!replaced)
            envStorage.push_back(entry);
    }
    for (auto &entry : envStorage)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    QTemporaryDir scratch;
    const QByteArray outputFile = QFile::encodeName(scratch.filePath(QStringLiteral("out")));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    Run result;
    const double start = now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return result;
    }
    int status = 0;
    rusage usage = {};
    wait4(pid, &status, 0, &usage);
    result.milliseconds = now() - start;
    posix_spawn_file_actions_destroy(&actions);
    result.peakMiB = double(usage.ru_maxrss) / 1024.0;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    QFile out(QString::fromLocal8Bit(outputFile));
    if (out.open(QIODevice::ReadOnly))
        result.output = QString::fromLocal8Bit(out.readAll());
    return result;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

struct Row
{
    QString what, unit;
    double program, limit, target; // no target (0): for information, never failing the run
    bool fixedLimit;               // an absolute target rather than a ratio to a measured limit
    int runs;
    QString note;
};
std::vector<Row> rows;
bool failedRun = false;

void report(const Row &row)
{
    rows.push_back(row);
}

void checkStatus(const Run &r, const char *what)
{
    if (r.status != 0) {
        std::fprintf(stderr, "bench: %s ended with status %d\n", what, r.status);
        failedRun = true;
    }
}

// A program and its yardsticks in the same environment: one warm-up run each (the file cache),
// then `runs` rounds of all of them in turn. One series of times and peaks for each.
struct Contender
{
    QStringList command;
    const char *name;
};
struct Series
{
    std::vector<double> time, peak;
};

std::vector<Series> alternate(const std::vector<Contender> &contenders, const QStringList &env,
                              int runs)
{
    for (const Contender &c : contenders)
        run(c.command, env);
    std::vector<Series> series(contenders.size());
    for (int i = 0; i < runs; ++i) {
        for (size_t k = 0; k < contenders.size(); ++k) {
            const Run r = run(contenders[k].command, env);
            checkStatus(r, contenders[k].name);
            series[k].time.push_back(r.milliseconds);
            series[k].peak.push_back(r.peakMiB);
        }
    }
    return series;
}

void startup(const QString &build)
{
    const QString shim = build + QStringLiteral("/bench/libfirstframe.so");
    QTemporaryDir tmp; // an empty TMP: no setup program to start
    const QStringList env = {QStringLiteral("LD_PRELOAD=") + shim,
                             QStringLiteral("TMP=") + tmp.path()};
    const QString bare = build + QStringLiteral("/bench/bench-barewindow");
    // The fair yardstick shows the welcome picture as any skinned installer must; the empty
    // window is for information only.
    const int runs = 9;
    const std::vector<Series> s =
        alternate({{{build + QStringLiteral("/bin/installer")}, "installer"},
                   {{bare, QStringLiteral("--picture"), QStringLiteral("--kill-splash")},
                    "bare window with the picture"},
                   {{bare}, "bare window"}},
                  env, runs);
    const QString pictured = QStringLiteral("bare window showing the welcome picture");
    report({QStringLiteral("installer: start to first frame"), QStringLiteral("ms"),
            median(s[0].time), median(s[1].time), 1.10, false, runs, pictured});
    report({QStringLiteral("installer: peak memory at first frame"), QStringLiteral("MiB"),
            median(s[0].peak), median(s[1].peak), 1.15, false, runs, pictured});
    report({QStringLiteral("installer: start to first frame"), QStringLiteral("ms"),
            median(s[0].time), median(s[2].time), 0, false, runs,
            QStringLiteral("empty frameless translucent window (information)")});
}

bool makeTree(const QString &root, int folders, int filesPerFolder, qint64 fileSize)
{
    const QByteArray content(fileSize, 'z');
    for (int f = 0; f < folders; ++f) {
        const QString folder = root + QStringLiteral("/g%1/f%2").arg(f / 100).arg(f);
        if (!QDir().mkpath(folder))
            return false;
        for (int i = 0; i < filesPerFolder; ++i) {
            QFile file(folder + QStringLiteral("/file %1.dat").arg(i));
            if (!file.open(QIODevice::WriteOnly) || file.write(content) != fileSize)
                return false;
        }
    }
    return true;
}

void removal(const QString &build, const QString &label, int folders, int filesPerFolder,
             qint64 fileSize)
{
    QTemporaryDir work(QDir::currentPath() + QStringLiteral("/bench-removal-XXXXXX"));
    const QString tree = work.filePath(QStringLiteral("template"));
    if (!makeTree(tree, folders, filesPerFolder, fileSize)) {
        std::fprintf(stderr, "bench: cannot make the tree for %s\n", qPrintable(label));
        failedRun = true;
        return;
    }
    const QString walker = build + QStringLiteral("/tests/removetree");
    std::vector<double> tw, tr;
    const int runs = 5;
    for (int i = 0; i < runs; ++i) {
        const QString a = work.filePath(QStringLiteral("a")),
                      b = work.filePath(QStringLiteral("b"));
        run({QStringLiteral("/bin/cp"), QStringLiteral("-a"), tree, a});
        run({QStringLiteral("/bin/cp"), QStringLiteral("-a"), tree, b});
        run({QStringLiteral("/bin/sync")});
        const Run w = run({walker, a});
        const Run r = run({QStringLiteral("/bin/rm"), QStringLiteral("-rf"), b});
        checkStatus(w, "removal walk");
        checkStatus(r, "rm -rf");
        if (QFileInfo::exists(a)) {
            std::fprintf(stderr, "bench: the removal walk left %s behind\n", qPrintable(a));
            failedRun = true;
        }
        tw.push_back(w.milliseconds);
        tr.push_back(r.milliseconds);
    }
    report({QStringLiteral("uninstaller: removal walk, ") + label, QStringLiteral("ms"), median(tw),
            median(tr), 1.5, false, runs, QStringLiteral("rm -rf of an identical copy")});
}

void launcher(const QString &build)
{
    QTemporaryDir folder, runtime;
    for (const QString &file :
         QStringList{build + QStringLiteral("/bin/launcher"),
                     build + QStringLiteral("/tests/libs/sample/orvixupdate.so"),
                     build + QStringLiteral("/tests/libs/updateSelf.exe")})
        QFile::copy(file, folder.filePath(QFileInfo(file).fileName()));
    QFile(folder.filePath(QStringLiteral("update.zup"))).open(QIODevice::WriteOnly);
    // A platform plugin that does not exist: a GUI application object would abort the run.
    const QStringList env = {QStringLiteral("QT_QPA_PLATFORM=none-such"),
                             QStringLiteral("XDG_RUNTIME_DIR=") + runtime.path()};
    const QStringList launch = {folder.filePath(QStringLiteral("launcher"))};
    const QStringList bare = {build + QStringLiteral("/bench/bench-bareprogram"), folder.path()};
    const int runs = 15;
    const std::vector<Series> s =
        alternate({{launch, "launcher"}, {bare, "bare program"}}, env, runs);
    if (!QFile::exists(folder.filePath(QStringLiteral("updateSelf.log")))) {
        std::fprintf(stderr, "bench: the launcher never started the self-updater\n");
        failedRun = true;
    }
    report({QStringLiteral("launcher: successful run, no GUI object"), QStringLiteral("ms"),
            median(s[0].time), median(s[1].time), 1.15, false, runs,
            QStringLiteral("bare program: loads the library, starts the self-updater")});
}

void idle(const QString &build)
{
    const QString shim = build + QStringLiteral("/bench/libfirstframe.so");
    QTemporaryDir tmp;
    const int seconds = 10;
    const QStringList env = {QStringLiteral("LD_PRELOAD=") + shim,
                             QStringLiteral("TMP=") + tmp.path(),
                             QStringLiteral("BENCH_IDLE_SECONDS=%1").arg(seconds)};
    std::vector<double> share;
    const int runs = 5;
    for (int i = 0; i < runs; ++i) {
        const Run r = run({build + QStringLiteral("/bin/installer")}, env);
        checkStatus(r, "installer on its progress page");
        const QString line = r.output.section(QStringLiteral("cpu_ms "), 1).trimmed();
        share.push_back(line.toDouble() / (seconds * 1000.0) * 100.0);
    }
    report({QStringLiteral("installer: progress page, CPU over 10 s"), QStringLiteral("% core"),
            median(share), 1.0, 1.0, true, runs, QStringLiteral("fixed target")});
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: benchrunner BUILD_DIR\n");
        return 2;
    }
    const QString build = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    // Further arguments pick measures by name: startup, idle, launcher, removal.
    QStringList chosen;
    for (int i = 2; i < argc; ++i)
        chosen << QString::fromLocal8Bit(argv[i]);
    const auto wanted = [&chosen](const char *name) {
        return chosen.isEmpty() || chosen.contains(QLatin1String(name));
    };
    if (wanted("startup"))
        startup(build);
    if (wanted("idle"))
        idle(build);
    if (wanted("launcher"))
        launcher(build);
    if (wanted("removal")) {
        removal(build, QStringLiteral("50,000 files in 5,000 folders"), 5000, 10, 64);
        removal(build, QStringLiteral("1,000 files of 1 MiB"), 100, 10, 1024 * 1024);
    }

    std::printf(
        "\n| measure | program | limit | ratio | target | met | runs | limit measured on |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    bool allMet = !failedRun;
    for (const Row &row : rows) {
        const double ratio = row.fixedLimit ? row.program : row.program / row.limit;
        const bool informational = row.target <= 0;
        const bool met = row.fixedLimit ? row.program < row.target : ratio <= row.target;
        allMet = allMet && (met || informational);
        const QString target = informational    ? QStringLiteral("-")
                               : row.fixedLimit ? QStringLiteral("< %1").arg(row.target)
                                                : QStringLiteral("<= %1").arg(row.target);
        std::printf("| %s | %.1f %s | %.1f %s | %s | %s | %s | %d | %s |\n", qPrintable(row.what),
                    row.program, qPrintable(row.unit), row.limit, qPrintable(row.unit),
                    row.fixedLimit ? "-" : qPrintable(QString::number(ratio, 'f', 2)),
                    qPrintable(target),
                    informational ? "-"
                    : met         ? "yes"
                                  : "NO",
                    row.runs, qPrintable(row.note));
    }
    std::printf("\nmachine: %s, %s, %d cores\n", qPrintable(QSysInfo::prettyProductName()),
                qPrintable(QSysInfo::currentCpuArchitecture()), QThread::idealThreadCount());
    return allMet ? 0 : 1;
}
