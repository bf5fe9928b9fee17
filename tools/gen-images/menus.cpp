// The two menu images and the constant selections over their buttons, both from one table.
// Black is the viewer's see-through key: only the panels and buttons are opaque.
#include "images.h"
#include <cmath>
#include <cstdio>

const int MENU_WIDTH = 1280, MENU_HEIGHT = 66;
const char* const MENU_FILES[2] = {"menu1_top.ppm", "menu2_bottom.ppm"};

// The viewer draws the image named first at the top and the second at the bottom.
const menuButton MENU_BUTTONS[] = {
    {"<< ARTICLE", "_PREV", 0, 744, 12, 924, 50},
    {"ARTICLE >>", "_NEXT", 0, 936, 12, 1116, 50},
    {"QUIT", "_QUIT", 0, 1148, 12, 1256, 50},
    {"< PAGE", "_PPAGE", 1, 24, 16, 184, 54},
    {"PAGE >", "_NPAGE", 1, 196, 16, 356, 54},
    {"< TUNE", "_PMUSIC", 1, 924, 16, 1084, 54},
    {"TUNE >", "_NMUSIC", 1, 1096, 16, 1256, 54},
};
const int NUMBER_OF_MENU_BUTTONS = sizeof MENU_BUTTONS / sizeof MENU_BUTTONS[0];

static int designTop(int menu)
{
    return menu == 0 ? 0 : 960 - MENU_HEIGHT;
}

static void drawPanel(canvas& c, int menu)
{
    // A dark steel bar with rounded ends and a glowing rim, floating a few pixels from the
    // screen's edges: around it the article's picture shows through the black key.
    int top = menu == 0 ? 2 : 4;
    int bottom = top + 60;
    canvasBox(c, 4, top, MENU_WIDTH - 4, bottom, 18, {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f});
    canvasTint(c, 4, top, MENU_WIDTH - 4, bottom, {0.2f, 0.8f, 1.0f}, {1.0f, 0.3f, 0.8f});
    canvasBox(c, 7, top + 3, MENU_WIDTH - 7, bottom - 3, 15, {0.15f, 0.17f, 0.34f}, {0.04f, 0.05f, 0.13f});
}

static void drawButton(canvas& c, fontFace* bold, const menuButton& b)
{
    canvasBox(c, b.x0, b.y0, b.x1, b.y1, 9, {0.55f, 0.65f, 1.0f}, {0.2f, 0.25f, 0.55f});
    canvasBox(c, b.x0 + 2, b.y0 + 2, b.x1 - 2, b.y1 - 2, 7, {0.28f, 0.38f, 0.78f}, {0.08f, 0.11f, 0.32f});
    canvasText(c, bold, b.label, 19, (b.x0 + b.x1) / 2, (b.y0 + b.y1) / 2, {1.0f, 1.0f, 1.0f}, true);
}

static void drawLogo(canvas& c, fontFace* regular, fontFace* bold)
{
    int baseline = 0;
    greyImage logo = fontText(bold, MAGAZINE_TITLE, 36, &baseline);
    canvasMask(c, logo, 26, 31 - baseline / 2 + 2, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.7f);
    canvasMask(c, logo, 24, 31 - baseline / 2, {1.0f, 0.9f, 0.4f}, {1.0f, 0.45f, 0.15f}, 1.0f);
    greyImage issue = fontText(regular, "the disk magazine - issue 1", 16, &baseline);
    canvasMask(c, issue, 40 + logo.width, 26, {0.7f, 0.8f, 1.0f}, {0.7f, 0.8f, 1.0f}, 1.0f);
}

canvas drawMenuImage(fontFace* regular, fontFace* bold, int menu)
{
    canvas c = canvasMake(MENU_WIDTH, MENU_HEIGHT, {0.0f, 0.0f, 0.0f});
    drawPanel(c, menu);
    if (menu == 0) drawLogo(c, regular, bold);
    else
        canvasText(c, regular, "arrows: read   q: pictures   i: tune   s: snapshot", 15, 640, 36,
                   {0.7f, 0.8f, 1.0f}, false);
    for (int i = 0; i < NUMBER_OF_MENU_BUTTONS; i++)
        if (MENU_BUTTONS[i].menu == menu) drawButton(c, bold, MENU_BUTTONS[i]);
    return c;
}

void printMenuPrefs()
{
    printf("MENUS: %d\n", NUMBER_OF_MENU_BUTTONS);
    printf("MENU_COORDS: ");
    for (int i = 0; i < NUMBER_OF_MENU_BUTTONS; i++) {
        const menuButton& b = MENU_BUTTONS[i];
        int top = designTop(b.menu);
        printf("%s%d,%d,%d,%d", i ? "," : "", b.x0, top + b.y0, b.x1, top + b.y1);
    }
    printf("\nMENU_LINKS: ");
    for (int i = 0; i < NUMBER_OF_MENU_BUTTONS; i++) printf("%s%s", i ? "," : "", MENU_BUTTONS[i].link);
    printf("\n");
}
