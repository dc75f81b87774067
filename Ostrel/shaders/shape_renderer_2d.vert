#version 450
// Flat-coloured 2D shapes: positions go through the caller's projection only. Vectors multiply as
// rows from the left.

layout(location = 0) in vec2 position;
layout(location = 1) in uint color;  // packed RGBA, red in the lowest byte

struct shape_renderer_2d_vertex_stage_data {
    mat4 projection_matrix;
};

layout(set = 0, binding = 0) uniform renderer_data {
    layout(column_major) shape_renderer_2d_vertex_stage_data shape_renderer_data;
};

// Room for a per-shape transform; nothing pushes it yet.
struct shape_renderer_2d_drawable_vertex_stage_frame_data {
    mat4 model_matrix;
};

layout(push_constant) uniform frame_data {
    shape_renderer_2d_drawable_vertex_stage_frame_data drawable_frame_data;
};

layout(location = 0) out vec4 frag_color;

vec4 rgba32_to_normalized_vec4(uint c) {
    return vec4(float(c & 255u), float((c >> 8) & 255u), float((c >> 16) & 255u), float((c >> 24) & 255u)) / 255.0;
}

void main() {
    frag_color = rgba32_to_normalized_vec4(color);
    gl_Position = vec4(position, 0.0, 1.0) * shape_renderer_data.projection_matrix;
}
