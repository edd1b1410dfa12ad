// The demonstration movie played by Ruffle: every shape, bitmap and sprite placement shows its colours.
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { closeRuffle, withMovie } from './lib/ruffle.mjs';
import { summarizeSwfFile } from './lib/swfparse.mjs';

const dir = mkdtempSync(path.join(tmpdir(), 'pictavo-demo-'));
after(async () => {
    await closeRuffle();
    rmSync(dir, { recursive: true, force: true });
});

const bin = process.env.PICTAVO_BIN_DIR ?? 'build/bin';
const file = execFileSync(path.join(bin, 'pictavo-demo'), [dir], { encoding: 'utf8' }).trim();

// [x, y, [r, g, b], what]
const expected = [
    [70, 70, [255, 0, 0], 'solid red square'],
    [150, 70, [0, 0, 255], 'gradient, blue end'],
    [330, 70, [0, 255, 0], 'gradient, green end'],
    [240, 70, [0, 128, 128], 'gradient, middle'],
    [400, 40, [220, 20, 60], 'lossless bitmap, top left'],
    [500, 40, [30, 144, 255], 'lossless bitmap, top right'],
    [400, 100, [50, 205, 50], 'lossless bitmap, bottom left'],
    [500, 100, [255, 215, 0], 'lossless bitmap, bottom right'],
    [100, 180, [255, 128, 0], 'JPEG, orange half'],
    [100, 240, [128, 0, 128], 'JPEG, purple half'],
    [300, 210, [0, 255, 255], 'sprite with a colour transform'],
    [450, 210, [255, 255, 0], 'rotated sprite, centre'],
    [450, 250, [255, 255, 0], 'rotated sprite, lower corner of the diamond'],
    [424, 184, [255, 255, 255], 'rotated sprite, outside the diamond where the square would be'],
    [275, 350, [255, 255, 255], 'background'],
];

test('the demo movie is a compressed version 8 movie swf-parser reads', () => {
    const s = summarizeSwfFile(file);
    assert.equal(s.signature, 'CWS');
    assert.equal(s.version, 8);
    assert.deepEqual([s.frameSize.width, s.frameSize.height], [550, 400]);
    // swf-parser leaves JPEG data with the erroneous header of older movies undecoded in version 8 movies;
    // players show it (the Ruffle check below).
    const jpeg = new Set([21, 35]);
    assert.ok(s.tags.every((t) => t.code === 0 || t.parsed || jpeg.has(t.code)), 'every tag decodes');
});

test('Ruffle shows every part of the demo movie', async () => {
    await withMovie(file, { width: 550, height: 400 }, async (m) => {
        await m.at(500);
        await m.screenshot(path.join(dir, 'demo.png'));
        const pixels = await m.pixels(expected.map(([x, y]) => [x, y]));
        pixels.forEach((p, i) => {
            const [x, y, rgb, what] = expected[i];
            const got = m.rgb(p);
            const off = Math.max(...got.map((v, k) => Math.abs(v - rgb[k])));
            assert.ok(off <= 24, `${what} at ${x},${y}: expected ${rgb}, got ${got}`);
        });
        assert.deepEqual(m.errors(), []);
    });
});
