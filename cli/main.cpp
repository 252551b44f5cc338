// orvane-convert: the window's conversion for scripts and pipes.
//
// The output is byte for byte what the window saves after loading FILE with
// its open button and converting it with the same options.
#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "FileIo.h"
#include "ListText.h"
#include "unCommon.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: orvane-convert [-f range|prefix|mask] [-d TEXT] [--no-sort] [--keep-duplicates]\n"
    "                      [--lf] [-o OUT] [FILE]\n";

constexpr std::string_view kHelp =
    "Converts a list of IPv4 networks, one a line, into host ranges (range),\n"
    "addresses with prefix length (prefix) or addresses with dotted mask (mask).\n"
    "\n"
    "  -f, --format FORM     range (0, default), prefix (1) or mask (2)\n"
    "  -d, --delimiter TEXT  text between address and mask (default \" / \"; may be empty)\n"
    "      --no-sort         keep the input order\n"
    "      --keep-duplicates keep lines that differ only in letter case or blanks\n"
    "      --lf              end lines with LF instead of CR LF\n"
    "  -o, --output OUT      write OUT (replaced whole, only when everything was written;\n"
    "                        a device or pipe is written straight through)\n"
    "  -h, --help            this text\n"
    "      --version         the program's version\n"
    "\n"
    "FILE is UTF-8 or Windows-1251, a file, pipe or device read to its end; without\n"
    "FILE, or with -, standard input is read.\n"
    "The result is written in Windows-1251.\n";

struct Options {
    int format = 0;
    std::string delimiter = " / ";
    bool sort = true;
    bool removeDuplicates = true;
    bool lf = false;
    std::string output;
    std::string input = "-";
};

int UsageError(std::string_view message) {
    std::cerr << "orvane-convert: " << message << '\n' << kUsage;
    return 2;
}

bool ParseFormat(std::string_view text, int& format) {
    if (text == "range" || text == "0") format = 0;
    else if (text == "prefix" || text == "1") format = 1;
    else if (text == "mask" || text == "2") format = 2;
    else return false;
    return true;
}

bool OutputIsStream(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode));
}

// A device or a pipe is written straight through: there is nothing to replace.
void WriteStream(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) throw orvane::EFCreateError("Cannot create file \"" + path + "\". " + orvane::SystemErrorText(errno));
    try {
        orvane::WriteAll(fd, bytes);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0) throw orvane::EWriteError(errno);
}

enum OptionCode { kNoSort = 256, kKeepDuplicates, kLf, kVersion };

}  // namespace

int main(int argc, char** argv) {
    orvane::IgnoreFileSizeLimitSignal();

    static const option kOptions[] = {
        {"format", required_argument, nullptr, 'f'},     {"delimiter", required_argument, nullptr, 'd'},
        {"output", required_argument, nullptr, 'o'},     {"help", no_argument, nullptr, 'h'},
        {"no-sort", no_argument, nullptr, kNoSort},      {"keep-duplicates", no_argument, nullptr, kKeepDuplicates},
        {"lf", no_argument, nullptr, kLf},               {"version", no_argument, nullptr, kVersion},
        {nullptr, 0, nullptr, 0}};
    Options options;
    opterr = 0;  // the messages below say it in this program's words
    for (int c; (c = ::getopt_long(argc, argv, ":f:d:o:h", kOptions, nullptr)) != -1;) {
        const std::string_view value = optarg != nullptr ? optarg : "";
        const std::string_view last = argv[optind - 1];
        const std::string given = last.starts_with("--") || optopt == 0 ? std::string(last.substr(0, last.find('=')))
                                                                        : std::string{'-', static_cast<char>(optopt)};
        switch (c) {
        case 'h':
            std::cout << kUsage << '\n' << kHelp;
            return 0;
        case kVersion:
            std::cout << "orvane-convert " << ORVANE_VERSION << " (build " << ORVANE_BUILD << ")\n";
            return 0;
        case 'f':
            if (!ParseFormat(value, options.format)) return UsageError("unknown format \"" + std::string(value) + "\"");
            break;
        case 'd':
            // A line break in the delimiter would split one network over two lines.
            if (value.find_first_of("\r\n") != std::string_view::npos)
                return UsageError("the delimiter cannot hold a line break");
            options.delimiter = orvane::Utf8ToCp1251(value);
            break;
        case 'o':
            if (value.empty()) return UsageError("option -o needs a file name");
            options.output = value;
            break;
        case kNoSort: options.sort = false; break;
        case kKeepDuplicates: options.removeDuplicates = false; break;
        case kLf: options.lf = true; break;
        case ':': return UsageError("option " + given + " needs a value");
        default: return UsageError("unknown option " + given);
        }
    }
    if (argc - optind > 1) return UsageError("only one input file can be given");
    if (argc - optind == 1) options.input = argv[optind];

    try {
        const std::string bytes =
            options.input == "-" ? orvane::ReadAll(STDIN_FILENO, "-") : orvane::ReadStream(options.input);
        // Windows-1251 and plain ASCII files are converted where they lie; only UTF-8 is decoded first.
        const orvane::ListBytes list = orvane::ClassifyListBytes(bytes);
        std::string decoded;
        if (list.encoding == orvane::ListEncoding::Utf8) decoded = orvane::Utf8ToCp1251(list.text);
        const std::string_view text = list.encoding == orvane::ListEncoding::Utf8 ? decoded : list.text;

        std::string out;
        orvane::TransformListText(text, options.removeDuplicates, options.sort, options.format, options.delimiter,
                                  options.lf ? "\n" : "\r\n", out);
        if (options.output.empty()) orvane::WriteAll(STDOUT_FILENO, out);
        else if (OutputIsStream(options.output)) WriteStream(options.output, out);
        else orvane::WriteFileAtomically(options.output, out);
    } catch (const orvane::EWriteError& e) {
        std::cerr << "orvane-convert: "
                  << (options.output.empty() ? std::string("standard output") : "\"" + options.output + "\"") << ": "
                  << e.what() << ". " << orvane::SystemErrorText(e.errorCode()) << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "orvane-convert: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
