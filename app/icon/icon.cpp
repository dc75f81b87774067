#include "app/icon/icon.h"
#include <math.h>

// A mixer: three slider tracks on a rounded blue tile, their knobs at different heights. In
// units of the icon's side; painted in this order.
struct IconShape {
    f32 center_x, center_y, half_width, half_height, radius;
    u8 top[4], bottom[4];  // a vertical gradient over the shape
};

static const IconShape k_icon_shapes[] = {
    {0.5f, 0.5f, 0.46f, 0.46f, 0.18f, {0x3A, 0x7B, 0xC8, 0xFF}, {0x1B, 0x3A, 0x6B, 0xFF}},
    {0.29f, 0.5f, 0.035f, 0.30f, 0.035f, {0xE4, 0xEC, 0xF5, 0xFF}, {0xB8, 0xC8, 0xDC, 0xFF}},
    {0.5f, 0.5f, 0.035f, 0.30f, 0.035f, {0xE4, 0xEC, 0xF5, 0xFF}, {0xB8, 0xC8, 0xDC, 0xFF}},
    {0.71f, 0.5f, 0.035f, 0.30f, 0.035f, {0xE4, 0xEC, 0xF5, 0xFF}, {0xB8, 0xC8, 0xDC, 0xFF}},
    {0.29f, 0.64f, 0.10f, 0.055f, 0.03f, {0xFF, 0xC0, 0x4D, 0xFF}, {0xF0, 0x8A, 0x1C, 0xFF}},
    {0.5f, 0.36f, 0.10f, 0.055f, 0.03f, {0xFF, 0xC0, 0x4D, 0xFF}, {0xF0, 0x8A, 0x1C, 0xFF}},
    {0.71f, 0.50f, 0.10f, 0.055f, 0.03f, {0xFF, 0xC0, 0x4D, 0xFF}, {0xF0, 0x8A, 0x1C, 0xFF}},
};

static const u32 k_icon_samples = 4;  // per axis, per pixel

static bool icon_shape_contains(const IconShape* s, f32 x, f32 y) {
    f32 qx = fabsf(x - s->center_x) - s->half_width + s->radius;
    f32 qy = fabsf(y - s->center_y) - s->half_height + s->radius;
    f32 ox = qx > 0 ? qx : 0;
    f32 oy = qy > 0 ? qy : 0;
    f32 inside = qx > qy ? qx : qy;
    return sqrtf(ox * ox + oy * oy) + (inside < 0 ? inside : 0) - s->radius <= 0;
}

void icon_draw(u32 size, u8* rgba) {
    const u32 shape_count = sizeof k_icon_shapes / sizeof k_icon_shapes[0];
    for (u32 py = 0; py < size; py++) {
        for (u32 px = 0; px < size; px++) {
            // Premultiplied sums over the samples, so edges blend without dark fringes.
            f32 sum[4] = {0, 0, 0, 0};
            for (u32 sy = 0; sy < k_icon_samples; sy++) {
                for (u32 sx = 0; sx < k_icon_samples; sx++) {
                    f32 x = (px + (sx + 0.5f) / k_icon_samples) / size;
                    f32 y = (py + (sy + 0.5f) / k_icon_samples) / size;
                    const IconShape* top = nullptr;
                    for (u32 i = 0; i < shape_count; i++) {
                        if (icon_shape_contains(&k_icon_shapes[i], x, y)) top = &k_icon_shapes[i];
                    }
                    if (!top) continue;
                    f32 t = (y - (top->center_y - top->half_height)) / (2 * top->half_height);
                    t = ostrel_clamp(t, 0.0f, 1.0f);
                    f32 alpha = (top->top[3] + (top->bottom[3] - top->top[3]) * t) / 255.0f;
                    for (u32 c = 0; c < 3; c++) sum[c] += (top->top[c] + (top->bottom[c] - top->top[c]) * t) * alpha;
                    sum[3] += alpha;
                }
            }
            u8* out = rgba + 4 * (py * size + px);
            for (u32 c = 0; c < 3; c++) out[c] = sum[3] > 0 ? (u8)(sum[c] / sum[3] + 0.5f) : 0;
            out[3] = (u8)(sum[3] * 255.0f / (k_icon_samples * k_icon_samples) + 0.5f);
        }
    }
}
