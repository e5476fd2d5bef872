#include "JpegTestSupport.h"

#include <turbojpeg.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "imaging/ByteSource.h"

namespace imaging::testing {

namespace {

struct Lcg {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    double unit() { return (next() & 0xFFFF) / 65535.0; }
};

// Smooth value noise: bilinear interpolation of a random lattice.
struct ValueNoise {
    int cells;
    std::vector<double> lattice;
    ValueNoise(int c, Lcg& rng) : cells(c), lattice(static_cast<std::size_t>((c + 2) * (c + 2))) {
        for (double& v : lattice) {
            v = rng.unit();
        }
    }
    double at(double u, double v) const {
        const double x = u * cells, y = v * cells;
        const int ix = static_cast<int>(x), iy = static_cast<int>(y);
        const double fx = x - ix, fy = y - iy;
        auto l = [&](int i, int j) {
            return lattice[static_cast<std::size_t>(j * (cells + 2) + i)];
        };
        const double a = l(ix, iy) + (l(ix + 1, iy) - l(ix, iy)) * fx;
        const double b = l(ix, iy + 1) + (l(ix + 1, iy + 1) - l(ix, iy + 1)) * fx;
        return a + (b - a) * fy;
    }
};

}  // namespace

std::vector<std::uint8_t> synthesizePhoto(int width, int height, unsigned seed, int noise) {
    Lcg rng{seed * 2654435761u + 1};
    ValueNoise coarse(4, rng), medium(24, rng), fine(160, rng), grain(600, rng);
    struct Disc {
        double cx, cy, r;
        double colour[3];
    };
    std::vector<Disc> discs;
    for (int i = 0; i < 9; ++i) {
        discs.push_back({rng.unit(),
                         0.3 + 0.7 * rng.unit(),
                         0.04 + 0.12 * rng.unit(),
                         {40 + 200 * rng.unit(), 40 + 200 * rng.unit(), 40 + 200 * rng.unit()}});
    }
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    const double aspect = static_cast<double>(width) / height;
    for (int y = 0; y < height; ++y) {
        const double v = (y + 0.5) / height;
        for (int x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width;
            double c[3];
            const double horizon = 0.45 + 0.1 * coarse.at(u, 0.5);
            if (v < horizon) {  // sky: a gradient with soft clouds
                const double cloud = std::max(0.0, medium.at(u, v) * 1.6 - 0.7);
                c[0] = 70 + 90 * v + 160 * cloud;
                c[1] = 120 + 70 * v + 130 * cloud;
                c[2] = 215 - 30 * v + 40 * cloud;
            } else {  // ground: textured grass and soil
                const double t = fine.at(u, v) * 0.6 + grain.at(u, v) * 0.4;
                c[0] = 60 + 90 * t + 40 * coarse.at(u, v);
                c[1] = 90 + 110 * t;
                c[2] = 30 + 50 * t;
            }
            for (const Disc& d : discs) {  // shaded objects with hard edges
                const double dx = (u - d.cx) * aspect, dy = v - d.cy;
                const double r2 = (dx * dx + dy * dy) / (d.r * d.r);
                if (r2 < 1) {
                    const double shade = 0.55 + 0.45 * (1 - r2) - 0.3 * dx / d.r;
                    for (int k = 0; k < 3; ++k) {
                        c[k] = d.colour[k] * shade + 25 * grain.at(u * 1.3, v);
                    }
                }
            }
            // Thin lines and text-like strokes.
            if ((x / 3) % 41 == 7 && v > 0.2 && v < 0.35) {
                c[0] = c[1] = c[2] = 245;
            }
            if (y % 97 < 2 && u > 0.6 && u < 0.9 && ((x / 5) % 3 != 0)) {
                c[0] = c[1] = c[2] = 15;
            }
            for (int k = 0; k < 3; ++k) {
                const auto span = static_cast<std::uint32_t>(2 * noise + 1);
                const double value = std::lround(
                    c[k] + static_cast<double>(static_cast<int>(rng.next() % span) - noise));
                rgb[(static_cast<std::size_t>(y) * width + x) * 3 + k] =
                    static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
            }
        }
    }
    return rgb;
}

bool writePpm(const std::string& path, const std::vector<std::uint8_t>& rgb, int width,
              int height) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    return static_cast<bool>(out);
}

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

ScratchDirectory::ScratchDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/photoreel-imaging-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

ScratchDirectory::~ScratchDirectory() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

std::optional<OracleImage> decodeWithTurboJpeg(const std::vector<std::uint8_t>& jpeg) {
    tjhandle handle = tjInitDecompress();
    if (handle == nullptr) {
        return std::nullopt;
    }
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    std::optional<OracleImage> result;
    if (tjDecompressHeader3(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), &width,
                            &height, &subsampling, &colourspace) == 0) {
        OracleImage image;
        image.width = width;
        image.height = height;
        image.pixels.resize(static_cast<std::size_t>(width) * height * 4);
        if (tjDecompress2(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()),
                          image.pixels.data(), width, 0, height, TJPF_BGRX,
                          TJFLAG_FASTUPSAMPLE | TJFLAG_ACCURATEDCT | TJFLAG_BOTTOMUP) == 0) {
            for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
                image.pixels[i] = 0;
            }
            result = std::move(image);
        }
    }
    tjDestroy(handle);
    return result;
}

JpegResult decodeBytes(const std::vector<std::uint8_t>& jpeg, DibImage& image, KernelPath path) {
    MemorySource source(jpeg);
    JpegStream stream;
    JpegDecodeOptions options;
    options.path = path;
    return stream.decode(source, image, options);
}

Difference compareBgrx(const std::uint8_t* a, const std::uint8_t* b, std::size_t pixels) {
    double squared = 0;
    int maxDiff = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        for (int k = 0; k < 3; ++k) {
            const int d = std::abs(a[i * 4 + k] - b[i * 4 + k]);
            squared += d * d;
            maxDiff = std::max(maxDiff, d);
        }
    }
    const double mse = squared / (3.0 * static_cast<double>(pixels));
    Difference result;
    result.maxDiff = maxDiff;
    result.psnr =
        mse == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / mse);
    return result;
}

}  // namespace imaging::testing
