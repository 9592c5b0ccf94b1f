void platform_placeholder() {}
