#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace tools {

// The file a program writes. Until Commit succeeds the file counts as half-written and is removed when
// the object goes, so a failed run never leaves something that looks like a result.
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
    std::string name_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using InputFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading; throws Failure with the reason.
InputFile OpenInput(const std::string& name);

} // namespace tools
