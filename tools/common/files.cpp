#include "tools/common/files.h"

#include "platform/temporary_name.h"
#include "tools/common/console.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <utility>

namespace tools {

namespace {

namespace fs = std::filesystem;

bool sameFile(const std::string& first, const std::string& second)
{
    std::error_code error;
    return fs::equivalent(first, second, error) && !error;
}

// Where the data goes: an existing link is followed, so the link itself stays.
std::string targetOf(const std::string& name)
{
    std::error_code error;
    const fs::path target = fs::is_symlink(name, error) ? fs::canonical(name, error) : fs::path(name);
    return error ? name : target.string();
}

bool writtenInPlace(const std::string& name)
{
    std::error_code error;
    const fs::file_status status = fs::status(name, error);
    return !error && fs::exists(status) && !fs::is_regular_file(status);
}

std::string folderOf(const std::string& target)
{
    const fs::path folder = fs::path(target).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

// Checked before any work: the output could be written, only to fail when it takes its name.
bool fitsTheFileSystem(const std::string& target)
{
    return target.size() < PATH_MAX &&
           fs::path(target).filename().string().size() <= plat::NameLimit(folderOf(target));
}

// Tries hidden names beside the target until `take` gets one that is free; "" when none could be had.
template <typename Take> std::string freeName(const std::string& target, Take take)
{
    for (int attempt = 0; attempt < plat::kTemporaryNameAttempts; ++attempt) {
        std::string name = plat::HiddenTemporaryName(target, ::getpid(), attempt);
        if (take(name))
            return name;
        if (errno != EEXIST)
            break;
    }
    return {};
}

std::FILE* streamOf(int fd)
{
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (fd >= 0 && !file)
        ::close(fd);
    return file;
}

} // namespace

OutputFile::OutputFile(const std::string& name, const std::string& inputName)
    : name_(name), target_(targetOf(name))
{
    if (sameFile(name, inputName))
        throw Failure(name + ": the output file is the input file");
    if (!fitsTheFileSystem(target_))
        fail("create", ENAMETOOLONG);
    if (writtenInPlace(target_)) {
        storage_ = Storage::InPlace;
        file_ = std::fopen(target_.c_str(), "wb");
    } else {
        // Unnamed until complete, so that a program killed meanwhile leaves nothing behind.
        storage_ = Storage::Unnamed;
        file_ = streamOf(::open(folderOf(target_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    }
    if (!file_ && storage_ == Storage::Unnamed) {
        // Some file systems have no unnamed files.
        storage_ = Storage::Named;
        temporaryName_ = freeName(target_, [this](const std::string& temporary) {
            file_ = streamOf(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            return file_ != nullptr;
        });
    }
    if (!file_)
        fail("create", errno);
}

OutputFile::~OutputFile()
{
    if (file_)
        std::fclose(file_);
    if (!committed_ && !temporaryName_.empty())
        ::unlink(temporaryName_.c_str());
}

void OutputFile::fail(const std::string& what, int error) const
{
    throw Failure(name_ + ": cannot " + what + " the output file (" + SystemError(error) + ")");
}

void OutputFile::Write(const void* data, std::size_t size)
{
    if (size > 0 && std::fwrite(data, 1, size, file_) != size)
        fail("write", errno);
}

void OutputFile::Commit()
{
    // Only data that reached the disk may take the place of an older file.
    if (std::fflush(file_) != 0 || (storage_ != Storage::InPlace && ::fsync(::fileno(file_)) != 0))
        fail("write", errno);
    if (storage_ == Storage::Unnamed) {
        const std::string descriptor = "/proc/self/fd/" + std::to_string(::fileno(file_));
        temporaryName_ = freeName(target_, [&descriptor](const std::string& temporary) {
            return ::linkat(AT_FDCWD, descriptor.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) ==
                   0;
        });
        if (temporaryName_.empty())
            fail("write", errno);
    }
    std::FILE* file = std::exchange(file_, nullptr);
    if (std::fclose(file) != 0)
        fail("write", errno);
    if (!temporaryName_.empty() && std::rename(temporaryName_.c_str(), target_.c_str()) != 0)
        fail("replace", errno);
    committed_ = true;
}

InputFile OpenInput(const std::string& name)
{
    // Without O_NONBLOCK, opening a pipe would wait for a writer that may never come.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw Failure(name + ": cannot open the input file (" + SystemError(errno) + ")");
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw Failure(name + ": the input is not a regular file");
    }
    InputFile file(::fdopen(fd, "rb"));
    if (!file) {
        const int error = errno;
        ::close(fd);
        throw Failure(name + ": cannot open the input file (" + SystemError(error) + ")");
    }
    return file;
}

} // namespace tools
