#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace tools {

// The file a program writes. It is written as a file without a name (or, where the file system has none,
// under a hidden temporary name) in the output's folder and takes the output's name only on Commit, so a
// failed or killed run neither leaves something that looks like a result nor destroys an older file of
// that name. An output that is not a regular file (such as /dev/null) is written in place.
class OutputFile {
public:
    // Throws Failure when the name is the input's file or cannot be created.
    OutputFile(const std::string& name, const std::string& inputName);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const void* data, std::size_t size);
    void Commit();

private:
    void fail(const std::string& what, int error) const;

    std::string name_;
    std::string target_;
    enum class Storage { InPlace, Unnamed, Named } storage_ = Storage::Named;
    std::string temporaryName_; // the name the data has before it takes the output's
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using InputFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for reading; throws Failure with the reason. A folder, pipe or device is refused
// without waiting for a writer.
InputFile OpenInput(const std::string& name);

} // namespace tools
