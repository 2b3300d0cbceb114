// tovo-decode FORMAT FILE
//
// Decodes one picture of a format that Qt's image readers lack (FORMAT is
// "PCX" or "WMF") and writes it to standard output:
//   "TVIM", then width and height as unsigned 32-bit numbers in the
//   machine's byte order, then width x height pixels of 32
//   bits 0xAARRGGBB, also in the machine's byte order, row by row.
// Exit status 0 when the picture was written, 1 when it could not be
// decoded, 2 for a wrong command line.
//
// The decoding library runs in this process of its own so that a hostile
// file can neither take the window down nor hold its memory: the library's
// own limits (size, memory, time) are set here, below any system policy, and
// its time limit ends this process, never the program's.
#include <Magick++.h>
#include <magick/policy.h>
#include <magick/resource_.h>

#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Pictures larger than this are refused (the program refuses the same).
constexpr std::size_t MaxSide = 16384;
constexpr std::size_t MaxPixels = 64u * 1024 * 1024;
constexpr std::size_t MaxFileBytes = 64u * 1024 * 1024;
constexpr int TimeLimitSeconds = 15;

// Only the two coders this program needs may read anything; no delegate
// program (PostScript, network...) may ever run.
const char *const SecurityPolicy = R"(<policymap>
  <policy domain="delegate" rights="none" pattern="*"/>
  <policy domain="coder" rights="none" pattern="*"/>
  <policy domain="coder" rights="read" pattern="{PCX,DCX,WMF,DIB,BMP}"/>
  <policy domain="path" rights="none" pattern="@*"/>
</policymap>)";

void setLimits()
{
    // A backstop should the library's own time limit not be reached: the
    // system ends a process that used this much processor time.
    const rlimit cpu{TimeLimitSeconds + 5, TimeLimitSeconds + 6};
    setrlimit(RLIMIT_CPU, &cpu);

    Magick::ResourceLimits::width(MaxSide);
    Magick::ResourceLimits::height(MaxSide);
    Magick::ResourceLimits::area(MaxPixels);
    Magick::ResourceLimits::memory(512ull * 1024 * 1024);
    Magick::ResourceLimits::map(512ull * 1024 * 1024);
    Magick::ResourceLimits::disk(0);
    Magick::ResourceLimits::file(16);
    Magick::ResourceLimits::listLength(16);
    Magick::ResourceLimits::thread(1);
    MagickCore::SetMagickResourceLimit(MagickCore::TimeResource, TimeLimitSeconds);

    MagickCore::ExceptionInfo *exception = MagickCore::AcquireExceptionInfo();
    MagickCore::SetMagickSecurityPolicy(SecurityPolicy, exception);
    MagickCore::DestroyExceptionInfo(exception);
}

bool readFile(const char *path, std::string &bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || static_cast<std::size_t>(size) > MaxFileBytes)
        return false;
    in.seekg(0);
    bytes.resize(static_cast<std::size_t>(size));
    return static_cast<bool>(in.read(bytes.data(), size));
}

bool writeAll(const void *data, std::size_t size) { return std::fwrite(data, 1, size, stdout) == size; }

bool writePicture(Magick::Image &image)
{
    const std::size_t width = image.columns();
    const std::size_t height = image.rows();
    if (width == 0 || height == 0 || width > MaxSide || height > MaxSide || width * height > MaxPixels)
        return false;
    const std::uint32_t header[2] = {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
    if (!writeAll("TVIM", 4) || !writeAll(header, sizeof header))
        return false;
    // 0xAARRGGBB in the machine's byte order.
    const std::uint32_t probe = 1;
    const char *order = *reinterpret_cast<const unsigned char *>(&probe) == 1 ? "BGRA" : "ARGB";
    constexpr std::size_t Band = 64;
    std::vector<unsigned char> rows(width * 4 * Band);
    for (std::size_t y = 0; y < height; y += Band) {
        const std::size_t n = std::min(Band, height - y);
        image.write(0, static_cast<ssize_t>(y), width, n, order, Magick::CharPixel, rows.data());
        if (!writeAll(rows.data(), width * 4 * n))
            return false;
    }
    return std::fflush(stdout) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "PCX") != 0 && std::strcmp(argv[1], "WMF") != 0)) {
        std::fprintf(stderr, "usage: tovo-decode PCX|WMF FILE\n");
        return 2;
    }
    Magick::InitializeMagick(argv[0]);
    setLimits();
    std::string bytes;
    if (!readFile(argv[2], bytes))
        return 1;
    try {
        Magick::Image image;
        // Warnings (a picture a little short, say) do not stop the decoding.
        image.quiet(true);
        // The format is given, never guessed from the content.
        image.magick(argv[1]);
        image.read(Magick::Blob(bytes.data(), bytes.size()));
        return writePicture(image) ? 0 : 1;
    } catch (const Magick::Exception &e) {
        std::fprintf(stderr, "tovo-decode: %s\n", e.what());
        return 1;
    }
}
