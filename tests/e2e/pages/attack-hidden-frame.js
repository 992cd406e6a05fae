// A hidden third-party frame.
// A 1x1 frame of another site inside an allowed page: frames are served only where the
// administrator names them, and asked for never otherwise.
kvFramesTry(false);
