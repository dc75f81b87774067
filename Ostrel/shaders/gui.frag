#version 450
// GUI elements: a packed colour, a texture, or text coverage from the atlas's red channel; shapes
// may have rounded corners with a one-pixel soft edge.

layout(location = 0) in vec2 uv;
layout(location = 0) out vec4 color;

layout(set = 1, binding = 0) uniform sampler2D active_texture;

struct gui_element_frag_frame_data_std430 {
    uint primitive_type;  // 0 shape, 1 text
    uint color;           // packed RGBA, red in the lowest byte
    uint use_texture;
    float radius;         // fraction of half the shorter side
    vec2 size;            // pixels
};

layout(push_constant, std430) uniform gui_element_frag_push_constant {
    layout(offset = 64) gui_element_frag_frame_data_std430 gui_element;
};

vec4 rgba32_to_normalized_vec4(uint c) {
    return vec4(float(c & 255u), float((c >> 8) & 255u), float((c >> 16) & 255u), float((c >> 24) & 255u)) / 255.0;
}

// The corner whose square holds pos decides; returns false when pos is in no corner square.
bool corner_alpha(vec2 pos, vec2 size, float r, inout float alpha) {
    vec2 centre;
    if (pos.x <= r && pos.y >= size.y - r) {
        centre = vec2(r, size.y - r);  // top_left
    } else if (pos.x <= r && pos.y <= r) {
        centre = vec2(r, r);  // bottom_left
    } else if (pos.x >= size.x - r && pos.y >= size.y - r) {
        centre = vec2(size.x - r, size.y - r);  // top_right
    } else if (pos.x >= size.x - r && pos.y <= r) {
        centre = vec2(size.x - r, r);  // bottom_right
    } else {
        return false;
    }
    float distance = length(pos - centre);
    alpha = clamp(r - distance, 0.0, alpha);
    return true;
}

void main() {
    if (gui_element.use_texture > 0u) {
        if (gui_element.primitive_type == 1u) {
            // Text: texel coordinates; colour from the element, coverage from the atlas.
            vec2 texture_size = vec2(textureSize(active_texture, 0));
            vec4 texel = texture(active_texture, uv / texture_size);
            color = rgba32_to_normalized_vec4(gui_element.color);
            color.a = texel.r;
            return;
        }
        // Shapes carry 0..1 coordinates with v = 1 on the top edge; the texture's first row is its top.
        color = texture(active_texture, vec2(uv.x, 1.0 - uv.y));
    } else {
        color = rgba32_to_normalized_vec4(gui_element.color);
    }
    if (gui_element.radius > 0.0) {
        vec2 size = gui_element.size;
        vec2 pos = uv * size;  // pixels from the bottom-left corner, y up
        float r = gui_element.radius * min(size.x, size.y) * 0.5;
        float alpha = color.a;
        if (corner_alpha(pos, size, r, alpha)) color.a = alpha;
    }
}
