// pagovia-gen-images: draws the demo magazine's pictures into a magazine directory:
// Images/ (the default background, the backgrounds, the startup picture) and Menus/.
// With --menu-prefs it prints the prefs.txt lines that place the selections on the buttons.
#include "images.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

static bool makeDirectory(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
    fprintf(stderr, "pagovia-gen-images: cannot create '%s'\n", path.c_str());
    return false;
}

static bool writeAll(const std::string& root, fontFace* regular, fontFace* bold)
{
    std::string images = root + "/Images", menus = root + "/Menus";
    if (!makeDirectory(root) || !makeDirectory(images) || !makeDirectory(menus)) return false;
    bool ok = true;
    for (int i = 0; i < NUMBER_OF_BACKGROUNDS; i++)
        ok = canvasWrite(BACKGROUNDS[i].draw(), (images + "/" + BACKGROUNDS[i].name).c_str(), false) && ok;
    ok = canvasWrite(drawStartupPicture(regular, bold), (images + "/" STARTUP_PICTURE).c_str(), false) && ok;
    for (int m = 0; m < 2; m++)
        ok = canvasWrite(drawMenuImage(regular, bold, m), (menus + "/" + MENU_FILES[m]).c_str(), true) && ok;
    return ok;
}

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], "--menu-prefs") == 0) {
        printMenuPrefs();
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') {
        fprintf(stderr, "usage: pagovia-gen-images MAGAZINE_DIRECTORY | --menu-prefs\n");
        return 2;
    }
    fontFace regular, bold;
    if (!fontOpen(&regular, DEFAULT_FONT)) return 1;
    if (!fontOpen(&bold, DEFAULT_BOLD_FONT)) {
        fontClose(&regular);
        return 1;
    }
    bool ok = writeAll(argv[1], &regular, &bold);
    fontClose(&bold);
    fontClose(&regular);
    return ok ? 0 : 1;
}
