// A frame the administrator names inside this site.
// It is served once the user, asked after a click in the frame about the frame inside this
// site, allows it.
kvFramesTry(false, "KV0002API");
