# Third-party libraries, all from Debian packages (scripts/install-deps.sh).
# Only src/platform links the media, window, font and synthesis libraries.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET
  libavformat libavcodec libavutil libswresample libswscale)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
find_package(CLI11 CONFIG REQUIRED)
find_package(nlohmann_json 3 CONFIG REQUIRED)
find_package(Threads REQUIRED)

if(PHOTOREEL_TESTS)
  find_package(GTest REQUIRED)
endif()
# Oracles for the JPEG decoder, used only by tests and benchmarks.
if(PHOTOREEL_TESTS OR PHOTOREEL_BENCH)
  pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
  pkg_check_modules(STB REQUIRED IMPORTED_TARGET stb)
endif()
if(PHOTOREEL_BENCH)
  find_package(benchmark REQUIRED)
endif()
