#include "platform/crash_info.h"

#include "platform/version_info.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cxxabi.h>
#include <dlfcn.h>
#include <exception>
#include <execinfo.h>
#include <link.h>
#include <memory>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

constexpr int MaxFrames = 64;

std::atomic<bool> throwTracking{false};

// Filled at each throw; plain data, so recording costs no allocation.
struct ThrowRecord {
    void* Object = nullptr;
    void* Frames[MaxFrames];
    int Count = 0;
    std::int64_t Msecs = 0;
};
thread_local ThrowRecord lastThrow;

std::int64_t nowMsecs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void recordThrow()
{
    lastThrow.Count = backtrace(lastThrow.Frames, MaxFrames);
    lastThrow.Msecs = nowMsecs();
}

plat::StackTrace toTrace(void* const* frames, int count, int skip, std::int64_t msecs)
{
    plat::StackTrace trace;
    for (int i = skip; i < count; ++i)
        trace.Frames.push_back(frames[i]);
    trace.Taken = QDateTime::fromMSecsSinceEpoch(msecs);
    return trace;
}

QString fieldValue(const QString& line)
{
    return line.section(QLatin1Char(':'), 1).trimmed();
}

} // namespace

// Every throw of the program passes here first, so the report can show where an exception came from
// rather than where it was caught.
namespace __cxxabiv1 {
extern "C" void __cxa_throw(void* object, std::type_info* type, void (*destroy)(void*))
{
    // The object is always noted, so that a new exception at a freed one's address never gets its stack.
    lastThrow.Object = object;
    lastThrow.Count = 0;
    if (throwTracking.load(std::memory_order_relaxed))
        recordThrow();
    using Throw = void (*)(void*, std::type_info*, void (*)(void*));
    static const auto realThrow = reinterpret_cast<Throw>(dlsym(RTLD_NEXT, "__cxa_throw"));
    realThrow(object, type, destroy);
    __builtin_unreachable();
}
} // namespace __cxxabiv1

namespace plat {

void SetThrowTracking(bool on)
{
    if (on) {
        // The first backtrace loads the unwinder; better now than inside a throw.
        void* frame[1];
        backtrace(frame, 1);
    }
    throwTracking = on;
}

StackTrace CurrentExceptionThrowStack()
{
    // A libstdc++ exception_ptr is the address of the thrown object, the one the throw hook saw.
    const std::exception_ptr handled = std::current_exception();
    static_assert(sizeof handled == sizeof(void*));
    void* current = nullptr;
    std::memcpy(&current, static_cast<const void*>(&handled), sizeof current);
    if (!current || current != lastThrow.Object || lastThrow.Count == 0)
        return {};
    // Skips recordThrow and the throw hook.
    return toTrace(lastThrow.Frames, lastThrow.Count, 2, lastThrow.Msecs);
}

StackTrace CurrentStack()
{
    void* frames[MaxFrames];
    const int count = backtrace(frames, MaxFrames);
    return toTrace(frames, count, 1, nowMsecs());
}

QString DemangledName(const char* mangledName)
{
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(mangledName, nullptr, nullptr, &status), &std::free);
    return status == 0 && name ? QString::fromUtf8(name.get()) : QString::fromUtf8(mangledName);
}

QStringList DescribeStack(const StackTrace& stack)
{
    QStringList lines;
    for (void* frame : stack.Frames) {
        const auto address = reinterpret_cast<std::uintptr_t>(frame);
        QString line = QString::asprintf("[%016llx]", static_cast<unsigned long long>(address));
        Dl_info info{};
        if (dladdr(frame, &info) == 0 || !info.dli_fname) {
            lines << line;
            continue;
        }
        const auto base = reinterpret_cast<std::uintptr_t>(info.dli_fbase);
        line += QLatin1Char(' ') + QFileInfo(QString::fromLocal8Bit(info.dli_fname)).fileName();
        if (info.dli_sname) {
            const auto symbol = reinterpret_cast<std::uintptr_t>(info.dli_saddr);
            line += QStringLiteral(" %1 + 0x%2")
                        .arg(DemangledName(info.dli_sname))
                        .arg(QString::number(address - symbol, 16));
        } else {
            line += QStringLiteral(" + 0x%1").arg(QString::number(address - base, 16));
        }
        lines << line;
    }
    return lines;
}

QString VersionFromFileName(const QString& fileName)
{
    static const QRegularExpression version(QStringLiteral("\\.so\\.(\\d+(?:\\.\\d+)*)$"));
    const QRegularExpressionMatch match = version.match(fileName);
    return match.hasMatch() ? match.captured(1) : QString();
}

std::vector<LoadedModule> LoadedModules()
{
    std::vector<LoadedModule> modules;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto& list = *static_cast<std::vector<LoadedModule>*>(data);
            LoadedModule module;
            module.Address = info->dlpi_addr;
            module.FileName = info->dlpi_name && *info->dlpi_name
                                  ? QString::fromLocal8Bit(info->dlpi_name)
                                  : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
            list.push_back(module);
            return 0;
        },
        &modules);
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    for (LoadedModule& module : modules) {
        const QString realName = QFileInfo(module.FileName).canonicalFilePath();
        module.Version = VersionFromFileName(realName.isEmpty() ? module.FileName : realName);
        if (module.FileName != executable)
            continue;
        // Our own executable carries its version strings.
        const QByteArray block = GetFileVersionInfo(executable);
        const auto query = [&](const char* key) {
            return VerQueryValue(block, QStringLiteral("\\StringFileInfo\\040904E4\\") + QLatin1String(key))
                .value_or(QString());
        };
        module.Version = query("FileVersion");
        module.Description = query("FileDescription");
    }
    std::sort(modules.begin(), modules.end(),
              [](const LoadedModule& a, const LoadedModule& b) { return a.Address < b.Address; });
    return modules;
}

QString ProductFromOsRelease(const QString& osRelease)
{
    QString name;
    for (const QString& line : osRelease.split(QLatin1Char('\n'))) {
        const QString key = line.section(QLatin1Char('='), 0, 0).trimmed();
        QString value = line.section(QLatin1Char('='), 1).trimmed();
        if (value.size() >= 2 && (value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char('\''))))
            value = value.mid(1, value.size() - 2);
        if (key == QLatin1String("PRETTY_NAME"))
            return value;
        if (key == QLatin1String("NAME"))
            name = value;
    }
    return name;
}

SystemData ReadSystemData()
{
    SystemData data;
    utsname names{};
    if (uname(&names) == 0) {
        data.Name = QString::fromLocal8Bit(names.sysname);
        data.Release =
            QString::fromLocal8Bit(names.release) + QLatin1Char(' ') + QString::fromLocal8Bit(names.version);
        const QStringList numbers =
            QString::fromLocal8Bit(names.release).split(QRegularExpression(QStringLiteral("[.-]")));
        data.Major = numbers.value(0).toInt();
        data.Minor = numbers.value(1).toInt();
        data.Build = numbers.value(2).toInt();
    }
    QFile osRelease(QStringLiteral("/etc/os-release"));
    if (osRelease.open(QIODevice::ReadOnly))
        data.Product = ProductFromOsRelease(QString::fromUtf8(osRelease.readAll()));
    return data;
}

ProcessorData ProcessorFromCpuInfo(const QString& cpuInfo)
{
    ProcessorData data;
    QStringList flags;
    for (const QString& line : cpuInfo.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty() && !data.Vendor.isEmpty())
            break;
        const QString key = line.section(QLatin1Char(':'), 0, 0).trimmed();
        if (key == QLatin1String("vendor_id"))
            data.Vendor = fieldValue(line);
        else if (key == QLatin1String("model name"))
            data.Name = fieldValue(line);
        else if (key == QLatin1String("cpu MHz"))
            data.Mhz = qRound(fieldValue(line).toDouble());
        else if (key == QLatin1String("flags"))
            flags = fieldValue(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    for (const char* feature : {"mmx", "sse2", "avx2"})
        if (flags.contains(QLatin1String(feature)))
            data.Features += QLatin1Char(' ') + QString::fromLatin1(feature).toUpper();
    return data;
}

ProcessorData ReadProcessorData()
{
    QFile cpuInfo(QStringLiteral("/proc/cpuinfo"));
    if (!cpuInfo.open(QIODevice::ReadOnly))
        return {};
    return ProcessorFromCpuInfo(QString::fromUtf8(cpuInfo.readAll()));
}

QString CurrentThreadDescription()
{
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
        return QStringLiteral("main");
    const QString name = QThread::currentThread()->objectName();
    return name.isEmpty() ? QStringLiteral("thread %1").arg(gettid()) : name;
}

namespace {

void writeAll(const char* text)
{
    const ssize_t ignored = write(STDERR_FILENO, text, strlen(text));
    (void)ignored;
}

// Only async-signal-safe calls: the process is in an unknown state.
void reportFatalSignal(int signalNumber)
{
    char number[] = "\nFatal signal 00\n";
    number[14] = static_cast<char>('0' + signalNumber / 10 % 10);
    number[15] = static_cast<char>('0' + signalNumber % 10);
    writeAll(number);
    void* frames[MaxFrames];
    backtrace_symbols_fd(frames, backtrace(frames, MaxFrames), STDERR_FILENO);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

} // namespace

void InstallFatalSignalReport()
{
    // Loads the unwinder now: loading it inside the signal handler is not safe.
    void* frame[1];
    backtrace(frame, 1);
    for (int signalNumber : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        struct sigaction action {};
        action.sa_handler = reportFatalSignal;
        action.sa_flags = SA_RESETHAND | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        sigaction(signalNumber, &action, nullptr);
    }
}

} // namespace plat
