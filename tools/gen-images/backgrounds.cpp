// The background pictures of the demo magazine, each drawn from a formula at 1280x960:
// they are shown dimmed behind the text and at full brightness in the slideshow.
#include "images.h"
#include <cmath>

static const int W = 1280, H = 960;
static const float PI = 3.14159265f;

// Blue to violet with soft diagonal beams: calm enough to sit behind any article.
static canvas drawDefault()
{
    canvas c = canvasMake(W, H, {0, 0, 0});
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            float t = (float)y / H;
            rgbf base = mix({0.05f, 0.07f, 0.22f}, {0.22f, 0.07f, 0.32f}, t);
            float beam = powf(0.5f + 0.5f * sinf((x * 0.8f + y * 0.45f) / 70.0f), 12.0f);
            float vignette = 1.0f - 0.5f * powf(hypotf((x - W / 2.0f) / W, (y - H / 2.0f) / H) * 1.4f, 2.0f);
            canvasAt(c, x, y) = scale(add(base, scale({0.2f, 0.3f, 0.6f}, beam * 0.35f)), vignette);
        }
    }
    return c;
}

// The classic sum of sines through a rainbow palette.
static canvas drawPlasma()
{
    canvas c = canvasMake(W, H, {0, 0, 0});
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            float v = sinf(x / 61.0f) + sinf(y / 47.0f) + sinf((x + y) / 83.0f) +
                      sinf(hypotf(x - 820.0f, y - 380.0f) / 53.0f);
            float p = v * PI * 0.5f;
            rgbf rainbow = {0.5f + 0.5f * sinf(p), 0.5f + 0.5f * sinf(p + 2.1f), 0.5f + 0.5f * sinf(p + 4.2f)};
            canvasAt(c, x, y) = mix({0.45f, 0.4f, 0.55f}, rainbow, 0.8f);
        }
    }
    return c;
}

static void drawStars(canvas& c, unsigned seed, int count)
{
    for (int n = 0; n < count; n++) {
        float sx = random01(seed, 3 * n) * W, sy = random01(seed, 3 * n + 1) * H;
        float bright = powf(random01(seed, 3 * n + 2), 6.0f) * 1.4f + 0.15f;
        float radius = 0.6f + bright * 1.6f;
        rgbf tint = mix({0.7f, 0.8f, 1.0f}, {1.0f, 0.9f, 0.7f}, random01(seed + 7, n));
        int r = (int)(radius * 3.0f) + 1;
        for (int y = (int)sy - r; y <= (int)sy + r; y++) {
            for (int x = (int)sx - r; x <= (int)sx + r; x++) {
                if (x < 0 || y < 0 || x >= c.width || y >= c.height) continue;
                float d = hypotf(x - sx, y - sy);
                float glow = bright * expf(-d * d / (radius * radius));
                // The brightest stars get a thin cross of light.
                if (bright > 0.9f && (fabsf(x - sx) < 0.8f || fabsf(y - sy) < 0.8f)) glow += 0.3f * expf(-d / 9.0f);
                rgbf& p = canvasAt(c, x, y);
                p = add(p, scale(tint, glow));
            }
        }
    }
}

// Deep space: a coloured nebula of fractal noise and a few thousand stars.
static canvas drawStarfield()
{
    canvas c = canvasMake(W, H, {0, 0, 0});
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            float n = fbm(x / 260.0f, y / 260.0f, 6, 11);
            float m = fbm(x / 180.0f + 40.0f, y / 180.0f, 5, 23);
            float cloud = smoothstep(0.45f, 0.8f, n);
            rgbf col = mix({0.45f, 0.1f, 0.5f}, {0.1f, 0.35f, 0.6f}, m);
            canvasAt(c, x, y) = add({0.01f, 0.01f, 0.04f}, scale(col, cloud * 0.9f));
        }
    }
    drawStars(c, 5, 2600);
    return c;
}

// A sunset over a glowing grid, with a striped sun and a range of hills.
static canvas drawSunset()
{
    canvas c = canvasMake(W, H, {0, 0, 0});
    const float horizon = 600.0f;
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            rgbf p;
            if (y < horizon) {
                float t = y / horizon;
                p = t < 0.6f ? mix({0.08f, 0.02f, 0.2f}, {0.55f, 0.1f, 0.45f}, t / 0.6f)
                             : mix({0.55f, 0.1f, 0.45f}, {1.0f, 0.55f, 0.2f}, (t - 0.6f) / 0.4f);
                float d = hypotf(x - 640.0f, y - 470.0f);
                bool stripe = y > 470 && fmodf(y - 470.0f, 26.0f) < (y - 470.0f) / 12.0f;
                rgbf sun = mix({1.0f, 0.9f, 0.3f}, {1.0f, 0.3f, 0.45f}, clamp01((y - 270.0f) / 330.0f));
                if (d < 210.0f && !stripe) p = sun;
                else p = add(p, scale({1.0f, 0.5f, 0.3f}, 0.4f * expf(-fmaxf(d - 200.0f, 0.0f) / 90.0f)));
                float hill = horizon - 70.0f * fbm(x / 210.0f, 3.0f, 4, 41) - 20.0f;
                if (y > hill) p = {0.12f, 0.03f, 0.18f};
            } else {
                float depth = (y - horizon) / (H - horizon);
                float z = 1.0f / (depth + 0.02f);
                float gx = fabsf(fmodf((x - 640.0f) * z / 60.0f + 1000.5f, 1.0f) - 0.5f);
                float gz = fabsf(fmodf(z * 1.2f + 0.5f, 1.0f) - 0.5f);
                float line = fmaxf(expf(-gx * gx * 900.0f * depth), expf(-gz * gz * 300.0f / (z * 0.3f + 0.1f)));
                rgbf ground = mix({0.1f, 0.02f, 0.16f}, {0.04f, 0.0f, 0.08f}, depth);
                p = add(ground, scale({1.0f, 0.2f, 0.8f}, line * 0.9f));
            }
            canvasAt(c, x, y) = p;
        }
    }
    return c;
}

// Amiga copper bars: shaded horizontal bars in a sine swing, the front ones over the back.
static canvas drawCopper()
{
    canvas c = canvasMake(W, H, {0, 0, 0});
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) canvasAt(c, x, y) = mix({0.02f, 0.02f, 0.08f}, {0.08f, 0.02f, 0.1f}, (float)y / H);
    const rgbf hues[] = {{1.0f, 0.25f, 0.2f}, {1.0f, 0.7f, 0.15f}, {0.3f, 1.0f, 0.35f},
                         {0.2f, 0.7f, 1.0f}, {0.6f, 0.3f, 1.0f}, {1.0f, 0.3f, 0.8f}};
    for (int b = 0; b < 9; b++) {
        float centre = 480.0f + 390.0f * sinf(b * 0.7f + 0.4f);
        rgbf hue = hues[b % 6];
        for (int y = 0; y < H; y++) {
            float d = (y - centre) / 48.0f;
            if (fabsf(d) >= 1.0f) continue;
            float shade = cosf(d * PI * 0.5f);
            rgbf bar = add(scale(hue, shade), scale({1.0f, 1.0f, 1.0f}, 0.45f * powf(shade, 10.0f)));
            for (int x = 0; x < W; x++) canvasAt(c, x, y) = bar;
        }
    }
    return c;
}

// Northern lights: rippling green and violet curtains over dark hills and stars.
static canvas drawAurora()
{
    canvas c = canvasMake(W, H, {0, 0, 0});
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            canvasAt(c, x, y) = mix({0.0f, 0.03f, 0.08f}, {0.02f, 0.1f, 0.14f}, (float)y / H);
    drawStars(c, 77, 900);
    for (int x = 0; x < W; x++) {
        float base = 430.0f + 120.0f * sinf(x / 230.0f) + 60.0f * (fbm(x / 150.0f, 0.5f, 4, 91) - 0.5f) * 2.0f;
        float rays = 0.5f + 0.5f * fbm(x / 12.0f, 2.0f, 3, 93);
        for (int y = 0; y < H; y++) {
            float above = base - y;
            float glow = above > 0 ? expf(-above / (140.0f * rays)) : expf(above / 14.0f);
            glow *= rays;
            rgbf col = mix({0.2f, 1.0f, 0.5f}, {0.7f, 0.3f, 1.0f}, clamp01(above / 320.0f));
            canvasAt(c, x, y) = add(canvasAt(c, x, y), scale(col, glow * 0.8f));
        }
    }
    for (int x = 0; x < W; x++) {
        float ridge = 780.0f - 90.0f * fbm(x / 260.0f, 9.0f, 5, 95);
        for (int y = (int)ridge; y < H; y++) canvasAt(c, x, y) = {0.01f, 0.02f, 0.03f};
    }
    return c;
}

// A checkered tunnel seen from inside, fading into the dark at its far end.
static canvas drawTunnel()
{
    canvas c = canvasMake(W, H, {0, 0, 0});
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            float dx = x - 700.0f, dy = y - 430.0f;
            float d = hypotf(dx, dy) + 1.0f;
            float u = atan2f(dy, dx) / PI * 8.0f;
            float v = 9000.0f / d;
            bool check = ((int)floorf(u) + (int)floorf(v / 12.0f)) % 2 == 0;
            float fade = clamp01(d / 500.0f);
            rgbf col = check ? mix({0.1f, 0.4f, 0.9f}, {0.9f, 0.2f, 0.6f}, 0.5f + 0.5f * sinf(v / 40.0f))
                             : rgbf{0.05f, 0.04f, 0.12f};
            canvasAt(c, x, y) = scale(col, fade);
        }
    }
    return c;
}

// The seahorse valley of the Mandelbrot set, coloured by a smooth escape count.
static canvas drawMandelbrot()
{
    canvas c = canvasMake(W, H, {0, 0, 0});
    const double cx = -0.7435, cy = 0.1314, span = 0.0125;
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            double re0 = cx + (x - W / 2.0) * span / W, im0 = cy + (y - H / 2.0) * span / W;
            double re = 0.0, im = 0.0;
            int n = 0;
            const int limit = 600;
            while (n < limit && re * re + im * im < 256.0) {
                double t = re * re - im * im + re0;
                im = 2.0 * re * im + im0;
                re = t;
                n++;
            }
            if (n == limit) continue;
            float mu = n + 1 - logf(logf((float)sqrt(re * re + im * im))) / logf(2.0f);
            float p = mu / 24.0f;
            rgbf col = {0.5f + 0.5f * cosf(6.2831f * (p + 0.0f)), 0.5f + 0.5f * cosf(6.2831f * (p + 0.15f)),
                        0.5f + 0.5f * cosf(6.2831f * (p + 0.3f))};
            canvasAt(c, x, y) = scale(col, clamp01(mu / 40.0f));
        }
    }
    return c;
}

// Rings spreading from three stones dropped into still water, where they meet.
static canvas drawRipples()
{
    canvas c = canvasMake(W, H, {0, 0, 0});
    const float sx[3] = {300.0f, 980.0f, 700.0f}, sy[3] = {260.0f, 380.0f, 800.0f};
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            float wave = 0.0f;
            for (int k = 0; k < 3; k++) wave += cosf(hypotf(x - sx[k], y - sy[k]) / 14.0f);
            float v = 0.5f + wave / 6.0f;
            rgbf deep = mix({0.0f, 0.08f, 0.2f}, {0.0f, 0.25f, 0.35f}, (float)y / H);
            canvasAt(c, x, y) = add(deep, scale({0.3f, 0.8f, 0.9f}, powf(clamp01(v), 3.0f)));
        }
    }
    return c;
}

// Glowing embers: fractal noise bent by more noise, read through a fire palette.
static canvas drawEmbers()
{
    canvas c = canvasMake(W, H, {0, 0, 0});
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            float qx = fbm(x / 300.0f, y / 300.0f, 4, 301), qy = fbm(x / 300.0f + 5.2f, y / 300.0f + 1.3f, 4, 302);
            float v = fbm(x / 220.0f + 4.0f * qx, y / 220.0f + 4.0f * qy, 5, 303);
            float t = smoothstep(0.3f, 0.75f, v);
            rgbf col = t < 0.5f ? mix({0.05f, 0.0f, 0.02f}, {0.7f, 0.1f, 0.02f}, t * 2.0f)
                                : mix({0.7f, 0.1f, 0.02f}, {1.0f, 0.75f, 0.2f}, (t - 0.5f) * 2.0f);
            canvasAt(c, x, y) = col;
        }
    }
    return c;
}

const backgroundPicture BACKGROUNDS[] = {
    {"bkg4.pbm", drawDefault},
    {"plasma.ppm", drawPlasma},
    {"starfield.ppm", drawStarfield},
    {"sunset.ppm", drawSunset},
    {"copper.ppm", drawCopper},
    {"aurora.ppm", drawAurora},
    {"tunnel.ppm", drawTunnel},
    {"mandelbrot.ppm", drawMandelbrot},
    {"ripples.ppm", drawRipples},
    {"embers.ppm", drawEmbers},
};
const int NUMBER_OF_BACKGROUNDS = sizeof BACKGROUNDS / sizeof BACKGROUNDS[0];

canvas drawStartupBackdrop()
{
    canvas c = drawStarfield();
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            canvasAt(c, x, y) = add(scale(canvasAt(c, x, y), 0.7f),
                                     scale({0.5f, 0.2f, 0.6f}, 0.5f * expf(-fabsf(y - 560.0f) / 120.0f)));
    return c;
}
