#include "tools/common/files.h"

#include "tools/common/console.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// A new file of ours beside the target, with the permissions a new output would have.
std::FILE* createTemporary(const std::string& target, std::string& temporaryName)
{
    const fs::path path(target);
    // Appended rather than "." + name: GCC 12 warns (-Wrestrict) about the latter at -O3.
    const std::string stem =
        (path.parent_path() / std::string(".").append(path.filename().string())).string();
    for (int attempt = 0;; ++attempt) {
        temporaryName = stem + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
        const int fd = ::open(temporaryName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            std::FILE* file = ::fdopen(fd, "wb");
            if (!file)
                ::close(fd);
            return file;
        }
        if (errno != EEXIST || attempt == 100) {
            temporaryName.clear();
            return nullptr;
        }
    }
}

} // namespace

OutputFile::OutputFile(const std::string& name, const std::string& inputName)
    : name_(name), target_(targetOf(name))
{
    if (sameFile(name, inputName))
        throw Failure(name + ": the output file is the input file");
    file_ = writtenInPlace(target_) ? std::fopen(target_.c_str(), "wb")
                                    : createTemporary(target_, temporaryName_);
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
    if (std::fflush(file_) != 0 || (!temporaryName_.empty() && ::fsync(::fileno(file_)) != 0))
        fail("write", errno);
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
