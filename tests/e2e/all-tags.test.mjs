// One movie holding every kind of tag the SWF layer writes, read by the independent swf-parser (and its AVM1
// reader for the scripts): the same tag codes in the same order and the same key fields.
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { Avm1Parser } from 'avm1-parser';
import { parseSwf, parseTag } from 'swf-parser';
import { summarizeSwfFile } from './lib/swfparse.mjs';

const dir = mkdtempSync(path.join(tmpdir(), 'pictavo-all-tags-'));
after(() => rmSync(dir, { recursive: true, force: true }));

const build = process.env.PICTAVO_BUILD_DIR ?? 'build';
execFileSync(path.join(build, 'tests', 'e2e_all_tags'), [dir]);
const file = path.join(dir, 'all-tags.swf');
const expected = JSON.parse(readFileSync(path.join(dir, 'all-tags.json'), 'utf8'));
const summary = summarizeSwfFile(file);

/** Action codes up to the End action, read by avm1-parser. */
function actionCodes(bytes) {
    const parser = new Avm1Parser(bytes);
    const codes = [];
    for (let i = 0; i < 1000; i++) {
        const action = parser.readNext();
        if (action.action === 0) break;
        codes.push(action.action);
    }
    return codes;
}

/** Every key of `want` is in `got` with an equal value (objects compared the same way, arrays in full). */
function assertSubset(got, want, where) {
    for (const [key, value] of Object.entries(want)) {
        if (value !== null && typeof value === 'object' && !Array.isArray(value)) {
            assert.ok(got[key] && typeof got[key] === 'object', `${where}: ${key} missing`);
            assertSubset(got[key], value, `${where}.${key}`);
        } else {
            assert.deepEqual(got[key], value, `${where}: ${key}`);
        }
    }
}

test('swf-parser reads the whole movie', () => {
    const movie = parseSwf(readFileSync(file));
    assert.equal(movie.header.swfVersion, expected.version);
    assert.equal(movie.header.frameCount, expected.frameCount);
    assert.equal(movie.tags.length, expected.tags.length - 1); // swf-parser does not list the End tag
});

test('every tag has the code, order and key fields it was written with', () => {
    assert.equal(summary.signature, 'FWS');
    assert.equal(summary.fileLength, summary.actualLength);
    assert.deepEqual(summary.tags.map((t) => t.code), expected.tags.map((t) => t.code));
    summary.tags.forEach((tag, i) => {
        const { code, actionCodes: codes, erroneousHeader, ...fields } = expected.tags[i];
        const where = `tag ${i} (${tag.name})`;
        if (erroneousHeader) {
            // swf-parser takes the erroneous JPEG header of older movies only in movies before version 8.
            const parsed = parseTag(readFileSync(file).subarray(tag.offset, tag.offset + (tag.longHeader ? 6 : 2) + tag.length), 7);
            assert.equal(parsed.type, 5, `${where}: not a bitmap`); // DefineBitmap
            assert.equal(parsed.id, fields.characterId, `${where}: id`);
            assert.deepEqual([parsed.width, parsed.height], [16, 8], `${where}: size`);
            return;
        }
        if (code !== 0) assert.equal(tag.parsed, true, `${where}: swf-parser could not decode it`);
        assertSubset(tag, fields, where);
        if (codes) {
            const body = readFileSync(file).subarray(tag.offset + (tag.longHeader ? 6 : 2) + (code === 59 ? 2 : 0),
                tag.offset + (tag.longHeader ? 6 : 2) + tag.length);
            assert.deepEqual(actionCodes(body), codes, `${where}: actions`);
        }
    });
});

test('the sprite holds its own tags', () => {
    const sprite = summary.tags.find((t) => t.code === 39);
    assert.deepEqual(sprite.tags.map((t) => t.code), [26, 18, 19, 1, 1, 0]);
    assert.equal(sprite.tags[0].name, 'CONTROLLER');
});
