// Runs a program as it runs on a file system without unnamed temporary files (vfat, exFAT, many network
// shares): every open asking for O_TMPFILE fails with EOPNOTSUPP, as those file systems answer.
//   no_tmpfile PROGRAM [ARGUMENT...]
// The filter stays on across exec and in every child of the program.
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <fcntl.h>

namespace {

#if defined(__x86_64__)
constexpr unsigned kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kArch = AUDIT_ARCH_AARCH64;
#else
#error "no_tmpfile knows the system calls of x86-64 and AArch64 only"
#endif

// The low word of a system call argument (little-endian).
constexpr unsigned ArgumentLow(int index)
{
    return offsetof(seccomp_data, args) + index * sizeof(__u64);
}

constexpr unsigned kRefused = SECCOMP_RET_ERRNO | (EOPNOTSUPP & SECCOMP_RET_DATA);

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: no_tmpfile PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    // O_TMPFILE holds O_DIRECTORY as well; its own bit is what tells it apart.
    const unsigned tmpfileBit = O_TMPFILE & ~O_DIRECTORY;
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
#ifdef __NR_open
        // open(name, flags, mode)
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_open, 0, 2),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, ArgumentLow(1)),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, tmpfileBit, 3, 4),
#endif
        // openat(folder, name, flags, mode)
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, ArgumentLow(2)),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, tmpfileBit, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, kRefused),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        std::perror("no_tmpfile: cannot install the filter");
        return 126;
    }
    ::execv(argv[1], argv + 1);
    std::perror("no_tmpfile: cannot run the program");
    return 127;
}
