// orvane-convert: the window's conversion for scripts and pipes.
//
// The output is byte for byte what the window saves after loading FILE with
// its open button and converting it with the same options.
#include <unistd.h>

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
    "  -o, --output OUT      write OUT (replaced whole, only when everything was written)\n"
    "  -h, --help            this text\n"
    "      --version         the program's version\n"
    "\n"
    "FILE is UTF-8 or Windows-1251; without FILE, or with -, standard input is read.\n"
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

std::string ReadStandardInput() {
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw orvane::EFOpenError("Cannot open file \"-\". " + orvane::SystemErrorText(errno));
        }
        if (n == 0) return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool haveInput = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "-h" || arg == "--help") {
            std::cout << kUsage << '\n' << kHelp;
            return 0;
        } else if (arg == "--version") {
            std::cout << "orvane-convert " << ORVANE_VERSION << " (build " << ORVANE_BUILD << ")\n";
            return 0;
        } else if (arg == "-f" || arg == "--format") {
            const char* v = value();
            if (v == nullptr) return UsageError("option " + std::string(arg) + " needs a value");
            if (!ParseFormat(v, options.format)) return UsageError("unknown format \"" + std::string(v) + "\"");
        } else if (arg == "-d" || arg == "--delimiter") {
            const char* v = value();
            if (v == nullptr) return UsageError("option " + std::string(arg) + " needs a value");
            options.delimiter = orvane::Utf8ToCp1251(v);
        } else if (arg == "--no-sort") {
            options.sort = false;
        } else if (arg == "--keep-duplicates") {
            options.removeDuplicates = false;
        } else if (arg == "--lf") {
            options.lf = true;
        } else if (arg == "-o" || arg == "--output") {
            const char* v = value();
            if (v == nullptr || *v == '\0') return UsageError("option " + std::string(arg) + " needs a file name");
            options.output = v;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return UsageError("unknown option " + std::string(arg));
        } else {
            if (haveInput) return UsageError("only one input file can be given");
            options.input = std::string(arg);
            haveInput = true;
        }
    }

    try {
        const std::string bytes = options.input == "-" ? ReadStandardInput() : orvane::ReadWholeFile(options.input);
        const std::string text = orvane::ListFileToCp1251(bytes);
        const std::vector<std::string_view> lines = orvane::SplitListLines(std::string_view(text));
        const std::vector<std::string> result =
            orvane::TransformList(lines, options.removeDuplicates, options.sort, options.format, options.delimiter);

        const std::string_view lineEnd = options.lf ? "\n" : "\r\n";
        std::string out;
        std::size_t size = 0;
        for (const std::string& line : result) size += line.size() + lineEnd.size();
        out.reserve(size);
        for (const std::string& line : result) out.append(line).append(lineEnd);

        if (options.output.empty()) orvane::WriteAll(STDOUT_FILENO, out);
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
