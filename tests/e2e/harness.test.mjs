// The real-player harness itself: a movie made here byte by byte must show its background colour in Ruffle
// and read back through swf-parser.
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { deflateSync } from 'node:zlib';
import { closeRuffle, withMovie } from './lib/ruffle.mjs';
import { summarizeSwf } from './lib/swfparse.mjs';

const dir = mkdtempSync(path.join(tmpdir(), 'pictavo-harness-'));
after(async () => {
    await closeRuffle();
    rmSync(dir, { recursive: true, force: true });
});

/** RECT with 15-bit fields holding 0, width*20, 0, height*20 twips. */
function frameRect(width, height) {
    const nbits = 15;
    const fields = [0, width * 20, 0, height * 20];
    let bits = nbits.toString(2).padStart(5, '0');
    for (const f of fields) bits += f.toString(2).padStart(nbits, '0');
    bits = bits.padEnd(Math.ceil(bits.length / 8) * 8, '0');
    return Buffer.from(bits.match(/.{8}/g).map((b) => parseInt(b, 2)));
}

const shortTag = (code, body = Buffer.alloc(0)) =>
    Buffer.concat([Buffer.from([((code << 6) | body.length) & 0xff, (code << 6) >> 8]), body]);

/** A one-frame movie: SetBackgroundColor, ShowFrame, End. */
function backgroundMovie({ width, height, rgb, compressed = false, version = 8 }) {
    const body = Buffer.concat([
        frameRect(width, height),
        Buffer.from([0x00, 12, 1, 0]), // 12 frames a second (8.8), one frame
        shortTag(9, Buffer.from(rgb)),
        shortTag(1),
        shortTag(0),
    ]);
    const header = Buffer.alloc(8);
    header.write(compressed ? 'CWS' : 'FWS', 0, 'latin1');
    header[3] = version;
    header.writeUInt32LE(8 + body.length, 4);
    return Buffer.concat([header, compressed ? deflateSync(body) : body]);
}

test('swf-parser reads the hand-made movie, plain and compressed', () => {
    for (const compressed of [false, true]) {
        const s = summarizeSwf(backgroundMovie({ width: 160, height: 120, rgb: [0x12, 0x34, 0x56], compressed }));
        assert.equal(s.signature, compressed ? 'CWS' : 'FWS');
        assert.equal(s.version, 8);
        assert.equal(s.fileLength, s.actualLength);
        assert.deepEqual([s.frameSize.width, s.frameSize.height, s.frameRate, s.frameCount], [160, 120, 12, 1]);
        assert.deepEqual(s.tags.map((t) => [t.code, t.name]), [[9, 'SetBackgroundColor'], [1, 'ShowFrame'], [0, 'End']]);
        assert.equal(s.tags[0].color.hex, '#123456');
    }
});

test('a tag running past the end of the file is reported, not read', () => {
    const bytes = backgroundMovie({ width: 10, height: 10, rgb: [0, 0, 0] });
    const cut = bytes.subarray(0, bytes.length - 5); // inside the SetBackgroundColor body
    assert.throws(() => summarizeSwf(cut), /runs past the end/);
});

test('Ruffle shows the background colour of the movie everywhere and logs no problem', async () => {
    const width = 200, height = 150;
    for (const [name, rgb, compressed] of [['red.swf', [0xe0, 0x20, 0x10], false], ['teal.swf', [0x10, 0x80, 0x80], true]]) {
        const file = path.join(dir, name);
        writeFileSync(file, backgroundMovie({ width, height, rgb, compressed }));
        await withMovie(file, { width, height }, async (m) => {
            await m.at(200);
            const corners = await m.pixels([[0, 0], [width - 1, 0], [0, height - 1], [width - 1, height - 1], [100, 75]]);
            for (const p of corners) assert.deepEqual(m.rgb(p), rgb, `${name}: ${p.hex}`);
            assert.deepEqual(m.errors(), []);
        });
    }
});
