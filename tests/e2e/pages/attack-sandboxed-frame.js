// An allowed page in a sandboxed frame.
// The allowed site's own page in <iframe sandbox="allow-scripts">: an opaque origin.
kvFramesTry(true);
