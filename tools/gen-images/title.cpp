// The startup picture: the magazine's title set large in the font over a starfield.
#include "images.h"
#include <cmath>

// A box blur of a mask, run twice, for the title's glow.
static greyImage blurred(const greyImage& in, int radius)
{
    greyImage a = in, b = in;
    for (int pass = 0; pass < 2; pass++) {
        for (int y = 0; y < a.height; y++)
            for (int x = 0; x < a.width; x++) {
                int sum = 0, n = 0;
                for (int k = -radius; k <= radius; k++) {
                    int xx = x + k;
                    if (xx < 0 || xx >= a.width) continue;
                    sum += a.pixels[(size_t)y * a.width + xx];
                    n++;
                }
                b.pixels[(size_t)y * a.width + x] = (unsigned char)(sum / n);
            }
        for (int y = 0; y < a.height; y++)
            for (int x = 0; x < a.width; x++) {
                int sum = 0, n = 0;
                for (int k = -radius; k <= radius; k++) {
                    int yy = y + k;
                    if (yy < 0 || yy >= a.height) continue;
                    sum += b.pixels[(size_t)yy * a.width + x];
                    n++;
                }
                a.pixels[(size_t)y * a.width + x] = (unsigned char)(sum / n);
            }
    }
    return a;
}

// Grows a mask by whole pixels so the title gets a dark outline.
static greyImage padded(const greyImage& in, int pad)
{
    greyImage out;
    out.width = in.width + 2 * pad;
    out.height = in.height + 2 * pad;
    out.pixels.assign((size_t)out.width * out.height, 0);
    for (int y = 0; y < in.height; y++)
        for (int x = 0; x < in.width; x++)
            out.pixels[(size_t)(y + pad) * out.width + x + pad] = in.pixels[(size_t)y * in.width + x];
    return out;
}

static greyImage dilated(const greyImage& in, int radius)
{
    greyImage out = in;
    for (int y = 0; y < in.height; y++)
        for (int x = 0; x < in.width; x++) {
            int best = 0;
            for (int dy = -radius; dy <= radius; dy++)
                for (int dx = -radius; dx <= radius; dx++) {
                    int xx = x + dx, yy = y + dy;
                    bool outside = xx < 0 || yy < 0 || xx >= in.width || yy >= in.height;
                    if (outside || dx * dx + dy * dy > radius * radius) continue;
                    int v = in.pixels[(size_t)yy * in.width + xx];
                    if (v > best) best = v;
                }
            out.pixels[(size_t)y * in.width + x] = (unsigned char)best;
        }
    return out;
}

// A glowing grid floor running to the horizon, under the hint to start reading.
static void drawGridFloor(canvas& c, float horizon)
{
    for (int y = (int)horizon; y < c.height; y++) {
        float depth = (y - horizon) / (c.height - horizon);
        float z = 1.0f / (depth + 0.03f);
        for (int x = 0; x < c.width; x++) {
            float gx = fabsf(fmodf((x - 640.0f) * z / 70.0f + 1000.5f, 1.0f) - 0.5f);
            float gz = fabsf(fmodf(z * 0.9f + 0.5f, 1.0f) - 0.5f);
            float line = fmaxf(expf(-gx * gx * 700.0f * depth), expf(-gz * gz * 260.0f / (z * 0.3f + 0.1f)));
            rgbf floor = mix({0.1f, 0.02f, 0.16f}, {0.02f, 0.0f, 0.05f}, depth);
            rgbf& p = canvasAt(c, x, y);
            float glow = line * 0.65f * smoothstep(0.04f, 0.7f, depth);  // faded towards the horizon
            p = add(mix(p, floor, smoothstep(0.0f, 0.08f, depth)), scale({1.0f, 0.25f, 0.85f}, glow));
        }
    }
}

canvas drawStartupPicture(fontFace* regular, fontFace* bold)
{
    canvas c = drawStartupBackdrop();
    drawGridFloor(c, 640.0f);
    int baseline = 0;
    greyImage title = padded(fontText(bold, MAGAZINE_TITLE, 210, &baseline), 40);
    int x = (c.width - title.width) / 2, y = 250 - title.height / 2;
    canvasMask(c, blurred(dilated(title, 6), 14), x, y, {1.0f, 0.3f, 0.8f}, {0.3f, 0.5f, 1.0f}, 0.9f);
    canvasMask(c, dilated(title, 5), x, y, {0.12f, 0.02f, 0.2f}, {0.12f, 0.02f, 0.2f}, 1.0f);
    canvasMask(c, title, x, y, {1.0f, 0.95f, 0.55f}, {1.0f, 0.35f, 0.2f}, 1.0f);
    // A copper bar under the title, then the subtitle and the hint.
    for (int yy = 430; yy < 446; yy++) {
        float shade = sinf((yy - 430) / 16.0f * 3.14159f);
        for (int xx = 160; xx < 1120; xx++) {
            float edge = fminf(1.0f, fminf(xx - 160, 1120 - xx) / 80.0f);
            rgbf col = mix({0.3f, 0.8f, 1.0f}, {1.0f, 0.4f, 0.9f}, (xx - 160) / 960.0f);
            canvasAt(c, xx, yy) = mix(canvasAt(c, xx, yy), col, shade * edge);
        }
    }
    canvasText(c, bold, MAGAZINE_SUBTITLE, 40, 640, 500, {0.9f, 0.95f, 1.0f}, true);
    canvasText(c, regular, "articles  -  pictures  -  tunes  -  links", 26, 640, 560, {0.75f, 0.8f, 1.0f}, true);
    canvasText(c, bold, "press any key or click to start reading", 24, 640, 840, {1.0f, 0.85f, 0.4f}, true);
    canvasText(c, regular, "made with Pagovia Engine v0.1", 18, 640, 900, {0.6f, 0.65f, 0.8f}, false);
    return c;
}
