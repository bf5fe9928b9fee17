// The picture generators' drawing surface: float RGB pixels, noise, text through the shared
// FreeType rasteriser, and the only writer of the generated PPM files.
#include "canvas.h"
#include <cmath>
#include <cstdio>

canvas canvasMake(int width, int height, rgbf fill)
{
    canvas c;
    c.width = width;
    c.height = height;
    c.pixels.assign((size_t)width * height, fill);
    c.opaque.assign((size_t)width * height, 0);
    return c;
}

rgbf& canvasAt(canvas& c, int x, int y)
{
    return c.pixels[(size_t)y * c.width + x];
}

rgbf mix(rgbf a, rgbf b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

rgbf scale(rgbf a, float k)
{
    return {a.r * k, a.g * k, a.b * k};
}

rgbf add(rgbf a, rgbf b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

float clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

float smoothstep(float e0, float e1, float x)
{
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}

static unsigned hash3(unsigned a, unsigned b, unsigned seed)
{
    unsigned h = a * 0x8da6b343u ^ b * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h;
}

float random01(unsigned seed, unsigned n)
{
    return (float)(hash3(n, n >> 16, seed) & 0xffffff) / (float)0xffffff;
}

float noise2(float x, float y, unsigned seed)
{
    float fx = floorf(x), fy = floorf(y);
    int ix = (int)fx, iy = (int)fy;
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    auto corner = [&](int dx, int dy) {
        return (float)(hash3((unsigned)(ix + dx), (unsigned)(iy + dy), seed) & 0xffff) / 65535.0f;
    };
    float top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * tx;
    float bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * tx;
    return top + (bottom - top) * ty;
}

float fbm(float x, float y, int octaves, unsigned seed)
{
    float sum = 0.0f, amplitude = 0.5f, norm = 0.0f;
    for (int i = 0; i < octaves; i++) {
        sum += noise2(x, y, seed + (unsigned)i * 101u) * amplitude;
        norm += amplitude;
        x = x * 2.03f + 17.0f;
        y = y * 2.03f + 31.0f;
        amplitude *= 0.5f;
    }
    return sum / norm;
}

void canvasMask(canvas& c, const greyImage& mask, int x, int y, rgbf top, rgbf bottom, float alpha)
{
    for (int my = 0; my < mask.height; my++) {
        int py = y + my;
        if (py < 0 || py >= c.height) continue;
        rgbf colour = mix(top, bottom, mask.height > 1 ? (float)my / (float)(mask.height - 1) : 0.0f);
        for (int mx = 0; mx < mask.width; mx++) {
            int px = x + mx;
            if (px < 0 || px >= c.width) continue;
            float a = mask.pixels[(size_t)my * mask.width + mx] / 255.0f * alpha;
            if (a <= 0.0f) continue;
            rgbf& dst = canvasAt(c, px, py);
            dst = mix(dst, colour, a);
        }
    }
}

int canvasText(canvas& c, fontFace* font, const char* text, int pixelHeight, int cx, int cy,
               rgbf colour, bool shadow)
{
    int baseline = 0;
    greyImage mask = fontText(font, text, pixelHeight, &baseline);
    int x = cx - mask.width / 2;
    int y = cy - mask.height / 2;
    if (shadow) {
        int d = pixelHeight / 12 + 1;
        canvasMask(c, mask, x + d, y + d, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.7f);
    }
    canvasMask(c, mask, x, y, colour, colour, 1.0f);
    return mask.width;
}

void canvasBox(canvas& c, int x0, int y0, int x1, int y1, int radius, rgbf top, rgbf bottom)
{
    for (int y = y0; y < y1; y++) {
        if (y < 0 || y >= c.height) continue;
        rgbf colour = mix(top, bottom, (float)(y - y0) / (float)(y1 - y0 - 1 > 0 ? y1 - y0 - 1 : 1));
        for (int x = x0; x < x1; x++) {
            if (x < 0 || x >= c.width) continue;
            // Distance outside the rounded corner decides coverage; edges are blended.
            float dx = (float)(x < x0 + radius ? x0 + radius - x : (x >= x1 - radius ? x - (x1 - radius - 1) : 0));
            float dy = (float)(y < y0 + radius ? y0 + radius - y : (y >= y1 - radius ? y - (y1 - radius - 1) : 0));
            float cover = clamp01((float)radius + 0.5f - sqrtf(dx * dx + dy * dy));
            if (cover <= 0.0f) continue;
            rgbf& dst = canvasAt(c, x, y);
            dst = mix(dst, colour, cover);
            c.opaque[(size_t)y * c.width + x] = 1;
        }
    }
}

void canvasTint(canvas& c, int x0, int y0, int x1, int y1, rgbf left, rgbf right)
{
    for (int y = y0; y < y1; y++) {
        if (y < 0 || y >= c.height) continue;
        for (int x = x0; x < x1; x++) {
            if (x < 0 || x >= c.width || !c.opaque[(size_t)y * c.width + x]) continue;
            rgbf tint = mix(left, right, (float)(x - x0) / (float)(x1 - x0));
            rgbf& p = canvasAt(c, x, y);
            p = {p.r * tint.r, p.g * tint.g, p.b * tint.b};
        }
    }
}

static unsigned char quantise(float v, int x, int y)
{
    // A 4x4 ordered dither keeps slow gradients free of bands even when the viewer dims them.
    static const float bayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
    float d = (bayer[(y & 3) * 4 + (x & 3)] + 0.5f) / 16.0f;
    int q = (int)(clamp01(v) * 255.0f + d);
    return (unsigned char)(q > 255 ? 255 : q);
}

bool canvasWrite(const canvas& c, const char* path, bool keyBlack)
{
    std::vector<unsigned char> rgb((size_t)c.width * c.height * 3);
    for (int y = 0; y < c.height; y++) {
        for (int x = 0; x < c.width; x++) {
            size_t i = (size_t)y * c.width + x;
            unsigned char* p = &rgb[i * 3];
            const rgbf& v = c.pixels[i];
            p[0] = quantise(v.r, x, y);
            p[1] = quantise(v.g, x, y);
            p[2] = quantise(v.b, x, y);
            if (!keyBlack) continue;
            if (!c.opaque[i]) p[0] = p[1] = p[2] = 0;
            else if (p[0] == 0 && p[1] == 0 && p[2] == 0) p[2] = 1;
        }
    }
    FILE* f = fopen(path, "wb");
    if (!f) {
        fprintf(stderr, "pagovia-gen-images: cannot write '%s'\n", path);
        return false;
    }
    fprintf(f, "P6\n%d %d\n255\n", c.width, c.height);
    bool ok = fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
    ok = (fclose(f) == 0) && ok;
    if (!ok) fprintf(stderr, "pagovia-gen-images: cannot write '%s'\n", path);
    return ok;
}
