#include "tools/common/files.h"

#include "tools/common/console.h"

#include <cerrno>
#include <filesystem>

namespace tools {

namespace {

bool sameFile(const std::string& first, const std::string& second)
{
    std::error_code error;
    return std::filesystem::equivalent(first, second, error) && !error;
}

} // namespace

OutputFile::OutputFile(const std::string& name, const std::string& inputName) : name_(name)
{
    if (sameFile(name, inputName))
        throw Failure(name + ": the output file is the input file");
    file_ = std::fopen(name.c_str(), "wb");
    if (!file_)
        throw Failure(name + ": cannot create the output file (" + SystemError(errno) + ")");
}

OutputFile::~OutputFile()
{
    if (committed_)
        return;
    if (file_)
        std::fclose(file_);
    // Only ever a file of ours: the name may be a device such as /dev/null.
    std::error_code error;
    if (std::filesystem::is_regular_file(name_, error))
        std::filesystem::remove(name_, error);
}

void OutputFile::Write(const void* data, std::size_t size)
{
    if (size > 0 && std::fwrite(data, 1, size, file_) != size)
        throw Failure(name_ + ": cannot write the output file (" + SystemError(errno) + ")");
}

void OutputFile::Commit()
{
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0)
        throw Failure(name_ + ": cannot write the output file (" + SystemError(errno) + ")");
    committed_ = true;
}

InputFile OpenInput(const std::string& name)
{
    InputFile file(std::fopen(name.c_str(), "rb"));
    if (!file)
        throw Failure(name + ": cannot open the input file (" + SystemError(errno) + ")");
    return file;
}

} // namespace tools
