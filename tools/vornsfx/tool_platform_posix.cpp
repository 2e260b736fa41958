// POSIX back end of the builder's system needs.
#include <sched.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text/utf8.h"
#include "tool_platform.h"

bool write_stream(Stream stream, const std::string& text) {
    std::FILE* file = stream == STANDARD_OUTPUT ? stdout : stderr;
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fflush(file) == 0 && written;
}

int64_t read_standard_input(void* buffer, size_t size) {
    for (;;) {
        ssize_t got = read(STDIN_FILENO, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

std::wstring temporary_folder() {
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    if (path.back() != '/') path += '/';
    return path_to_utf16(path);
}

bool is_terminal(Stream stream) {
    return isatty(stream == STANDARD_OUTPUT ? STDOUT_FILENO : STDERR_FILENO) != 0;
}

std::wstring program_folder() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return std::wstring();
    std::string text(path, static_cast<size_t>(length));
    size_t slash = text.rfind('/');
    return slash == std::string::npos ? std::wstring() : path_to_utf16(text.substr(0, slash + 1));
}

const wchar_t* null_device() {
    return L"/dev/null";
}

bool replace_file(const std::wstring& from, const std::wstring& to) {
    return std::rename(path_to_bytes(from).c_str(), path_to_bytes(to).c_str()) == 0;
}

void remove_file(const std::wstring& path) {
    unlink(path_to_bytes(path).c_str());
}

namespace {

// The handler may only call what is safe in a signal handler (unlink, raise),
// so the names wait in fixed buffers; a slot is in use while its flag is set.
// build has at most two temporary files at once: the packed archive and the
// output.
constexpr int TEMPORARY_SLOTS = 2;
char temporary_names[TEMPORARY_SLOTS][PATH_MAX];
volatile std::sig_atomic_t temporary_used[TEMPORARY_SLOTS];
const int INTERRUPTS[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void remove_temporaries(int signal_number) {
    for (int i = 0; i < TEMPORARY_SLOTS; ++i)
        if (temporary_used[i]) unlink(temporary_names[i]);
    // End as the signal would have ended the process.
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

void install_interrupt_handler() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal_number : INTERRUPTS) {
        struct sigaction action = {};
        action.sa_handler = remove_temporaries;
        sigemptyset(&action.sa_mask);
        sigaction(signal_number, &action, nullptr);
    }
}

}  // namespace

void remove_on_interrupt(const std::wstring& path) {
    std::string name = path_to_bytes(path);
    for (int i = 0; i < TEMPORARY_SLOTS; ++i) {
        if (temporary_used[i] || name.size() >= PATH_MAX) continue;
        std::memcpy(temporary_names[i], name.c_str(), name.size() + 1);
        temporary_used[i] = 1;
        install_interrupt_handler();
        return;
    }
}

void forget_on_interrupt(const std::wstring& path) {
    std::string name = path_to_bytes(path);
    for (int i = 0; i < TEMPORARY_SLOTS; ++i)
        if (temporary_used[i] && name == temporary_names[i]) temporary_used[i] = 0;
}

std::string last_error_text() {
    return std::strerror(errno);
}

unsigned process_number() {
    return static_cast<unsigned>(getpid());
}

// The affinity mask, not the machine's count: a container or taskset may
// allow fewer.
size_t usable_processors() {
#ifdef __EMSCRIPTEN__
    return 1;  // the WebAssembly builder has no threads to start
#else
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
        return static_cast<size_t>(CPU_COUNT(&allowed));
    long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<size_t>(online) : 1;
#endif
}

// Every piece the encoder makes frees its buffers (its codes, its output
// of up to a third of a MiB) when it is written, and the next piece asks
// for as much again. glibc gives freed memory at the heap's top back to the
// system and serves large blocks from mapped pages of their own, so each
// piece's memory was touched afresh: 7,970 page faults for one 40 MB file
// at fast, up to a sixth of the run on a virtual machine (1,170 now). The
// builder's memory is bounded by its threads in any case, so it keeps it.
void keep_freed_memory() {
#ifdef __GLIBC__
    constexpr int KEEP_BLOCKS_UP_TO = 32 << 20;  // glibc's largest mapping threshold
    constexpr int KEEP_FREE_UP_TO = 64 << 20;
    mallopt(M_MMAP_THRESHOLD, KEEP_BLOCKS_UP_TO);
    mallopt(M_TRIM_THRESHOLD, KEEP_FREE_UP_TO);
#endif
}

bool is_regular_file(CWinFile&, const std::wstring& path) {
    struct stat status;
    return stat(path_to_bytes(path).c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool cut_file(CWinFile&, const std::wstring& path, uint64_t length) {
    return truncate(path_to_bytes(path).c_str(), static_cast<off_t>(length)) == 0;
}

bool file_identity(const std::wstring& path, FileIdentity& identity) {
    struct stat status;
    if (stat(path_to_bytes(path).c_str(), &status) != 0) return false;
    identity.device = static_cast<uint64_t>(status.st_dev);
    identity.index = static_cast<uint64_t>(status.st_ino);
    identity.folder = S_ISDIR(status.st_mode);
    return true;
}

std::wstring follow_links(const std::wstring& path) {
    const std::string name = path_to_bytes(path);
    struct stat status;
    if (lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    char target[PATH_MAX];
    return realpath(name.c_str(), target) ? path_to_utf16(target) : std::wstring();
}

void copy_permissions(const std::wstring& from, const std::wstring& to) {
    constexpr mode_t PERMISSION_BITS = 07777;
    struct stat status;
    if (stat(path_to_bytes(from).c_str(), &status) == 0)
        chmod(path_to_bytes(to).c_str(), status.st_mode & PERMISSION_BITS);
}

std::wstring own_program() {
    return L"/proc/self/exe";
}
