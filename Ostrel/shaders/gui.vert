#version 450
// GUI elements: positions in pixels relative to the element, moved by the element's translation and
// mapped to the window by the projection. Vectors multiply as rows from the left.

layout(location = 0) in vec2 position;
layout(location = 1) in vec2 uv;

struct gui_element_vert_frame_data {
    mat4 model_matrix;
};

layout(push_constant) uniform gui_element_uniform {
    gui_element_vert_frame_data gui_element;
};

struct gui_renderer_vertex_stage_data {
    mat4 projection_matrix;
};

layout(set = 0, binding = 0) uniform gui_uniform {
    gui_renderer_vertex_stage_data renderer_data;
};

layout(location = 0) out vec2 frag_uv;

void main() {
    frag_uv = uv;
    gl_Position = vec4(position, 0.0, 1.0) * gui_element.model_matrix * renderer_data.projection_matrix;
}
