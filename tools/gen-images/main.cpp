// pagovia-gen-images: draws the demo magazine's pictures into a magazine directory:
// Images/ (the default background, the backgrounds, the startup picture) and Menus/.
// With --menu-prefs it prints the prefs.txt lines that place the selections on the buttons.
#include "images.h"
#include <cstdio>
#include <cstring>
#include <cerrno>
#include <sys/stat.h>

static bool makeDirectory(const char* path)
{
    if (mkdir(path, 0755) == 0 || errno == EEXIST) return true;
    fprintf(stderr, "pagovia-gen-images: cannot create '%s'\n", path);
    return false;
}

// Writes one picture as root/folder/name; false (with a message) when the path is too long.
static bool writePicture(const canvas& c, const char* root, const char* folder, const char* name, bool keyBlack)
{
    char path[1024];
    if (snprintf(path, sizeof path, "%s/%s/%s", root, folder, name) >= (int)sizeof path) {
        fprintf(stderr, "pagovia-gen-images: the path '%s' is too long\n", root);
        return false;
    }
    return canvasWrite(c, path, keyBlack);
}

static bool writeAll(const char* root, fontFace* regular, fontFace* bold)
{
    char images[1024], menus[1024];
    snprintf(images, sizeof images, "%s/Images", root);
    snprintf(menus, sizeof menus, "%s/Menus", root);
    if (!makeDirectory(root) || !makeDirectory(images) || !makeDirectory(menus)) return false;
    bool ok = true;
    for (int i = 0; i < NUMBER_OF_BACKGROUNDS; i++)
        ok = writePicture(BACKGROUNDS[i].draw(), root, "Images", BACKGROUNDS[i].name, false) && ok;
    ok = writePicture(drawStartupPicture(regular, bold), root, "Images", STARTUP_PICTURE, false) && ok;
    for (int m = 0; m < 2; m++)
        ok = writePicture(drawMenuImage(regular, bold, m), root, "Menus", MENU_FILES[m], true) && ok;
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
