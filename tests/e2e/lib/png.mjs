// Decodes the 8-bit, non-interlaced RGB/RGBA PNG files that Chromium's screenshots are.
import { inflateSync } from 'node:zlib';

/** Returns {width, height, rgba} with 4 bytes a pixel. */
export function decodePng(buf) {
    const sig = [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a];
    if (!sig.every((b, i) => buf[i] === b)) throw new Error('not a PNG file');
    let pos = 8, width, height, colourType, idat = [];
    while (pos < buf.length) {
        const len = buf.readUInt32BE(pos);
        const type = buf.toString('latin1', pos + 4, pos + 8);
        const data = buf.subarray(pos + 8, pos + 8 + len);
        pos += 12 + len;
        if (type === 'IHDR') {
            width = data.readUInt32BE(0);
            height = data.readUInt32BE(4);
            colourType = data[9];
            if (data[8] !== 8 || (colourType !== 2 && colourType !== 6) || data[12] !== 0) {
                throw new Error(`unsupported PNG: depth ${data[8]}, colour type ${colourType}, interlace ${data[12]}`);
            }
        } else if (type === 'IDAT') idat.push(data);
        else if (type === 'IEND') break;
    }
    const channels = colourType === 6 ? 4 : 3;
    const stride = width * channels;
    const raw = inflateSync(Buffer.concat(idat));
    const pixels = Buffer.alloc(height * stride);
    for (let y = 0; y < height; y++) {
        const filter = raw[y * (stride + 1)];
        const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
        const out = pixels.subarray(y * stride, (y + 1) * stride);
        const prev = y > 0 ? pixels.subarray((y - 1) * stride, y * stride) : Buffer.alloc(stride);
        for (let i = 0; i < stride; i++) {
            const a = i >= channels ? out[i - channels] : 0;
            const b = prev[i];
            const c = i >= channels ? prev[i - channels] : 0;
            let p;
            switch (filter) {
                case 0: p = 0; break;
                case 1: p = a; break;
                case 2: p = b; break;
                case 3: p = (a + b) >> 1; break;
                case 4: {
                    const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
                    p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                    break;
                }
                default: throw new Error(`bad PNG filter ${filter}`);
            }
            out[i] = (line[i] + p) & 0xff;
        }
    }
    if (channels === 4) return { width, height, rgba: pixels };
    const rgba = Buffer.alloc(width * height * 4);
    for (let i = 0, j = 0; i < pixels.length; i += 3, j += 4) {
        rgba[j] = pixels[i]; rgba[j + 1] = pixels[i + 1]; rgba[j + 2] = pixels[i + 2]; rgba[j + 3] = 255;
    }
    return { width, height, rgba };
}
