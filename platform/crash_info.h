#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// What a crash report says about the process and the machine: the stack of the last exception thrown,
// the loaded libraries, the system, the processor and the display.
namespace plat {

struct StackTrace {
    std::vector<void*> Frames; // innermost first
    QDateTime Taken;
};

// While on, every exception thrown by the program records the stack of its throw, per thread.
void SetThrowTracking(bool on);
// Inside a catch block: the stack recorded when the exception being handled was thrown; empty when
// its throw was not recorded.
StackTrace CurrentExceptionThrowStack();
// The calling thread's stack now, without the frames of this call.
StackTrace CurrentStack();
// One line per frame: address, library and, where the library exports it, the function and offset.
QStringList DescribeStack(const StackTrace& stack);

// A readable name of a C++ type ("std::runtime_error").
QString DemangledName(const char* mangledName);

struct LoadedModule {
    std::uintptr_t Address = 0;
    QString FileName;
    QString Version;     // empty when unknown
    QString Description; // empty when unknown
};
// The libraries and the executable mapped into the process, by load address.
std::vector<LoadedModule> LoadedModules();
// The version a shared library carries in its file name: "libQt6Core.so.6.4.2" gives "6.4.2".
QString VersionFromFileName(const QString& fileName);

struct SystemData {
    QString Name;    // the kernel's name, "Linux"
    QString Product; // the distribution's name, "Debian GNU/Linux 12 (bookworm)"
    int Major = 0, Minor = 0, Build = 0;
    QString Release; // the kernel's full release and version text
};
SystemData ReadSystemData();
// The value of PRETTY_NAME (else NAME) in an os-release text.
QString ProductFromOsRelease(const QString& osRelease);

struct ProcessorData {
    QString Vendor, Name;
    int Mhz = 0;
    QString Features; // the notable instruction sets, each preceded by a blank
};
ProcessorData ReadProcessorData();
// The first processor's entries of a /proc/cpuinfo text.
ProcessorData ProcessorFromCpuInfo(const QString& cpuInfo);

// Writes a fatal signal's report (signal and stack) to standard error and then lets the signal take
// its default course. A crashed process cannot show a window safely, so nothing else is attempted.
void InstallFatalSignalReport();

// "main" for the main thread, else the thread's object name or its system id.
QString CurrentThreadDescription();

} // namespace plat
