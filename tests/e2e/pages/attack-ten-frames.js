// Ten frames at once.
// Ten hidden frames of ten sites: no prompt opens, every one is refused.
kvFramesTry(false);
