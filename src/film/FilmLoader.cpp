#include "film/FilmLoader.h"

#include "platform/SelfPath.h"

namespace film {

FilmLoader::FilmLoader(platform::Platform& platform, platform::TempDirectory& tempDirectory)
    : platform_(platform), tempDirectory_(tempDirectory) {}

int FilmLoader::loadFilm(platform::Window&, Film&, const std::string& sourcePath, bool) {
    // TODO: package search and detach. For now a readable source counts as
    // loaded, so the window stays up until Esc.
    if (!platform::isReadableFile(sourcePath)) {
        platform_.dialogs().messageBox("Cannot open the film \"" + sourcePath + "\".", "Photoreel",
                                       platform::MB_OK | platform::MB_ICONERROR);
        return 0;
    }
    return 1;
}

void FilmLoader::releaseFilm(Film&) {}

}  // namespace film
