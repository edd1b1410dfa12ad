// Reads an SWF file into a plain summary that tests can compare with what the writer meant to produce.
//
// The tag framing (codes, lengths, sprite contents) is walked here, so every tag keeps its numeric code;
// the bodies are decoded by the independent `swf-parser` package, whose semantic tag types merge several
// codes. A body that swf-parser cannot decode is reported with `parsed: false`.
import { readFileSync } from 'node:fs';
import { inflateSync } from 'node:zlib';
import { parseTag } from 'swf-parser';

export const TAG_NAMES = {
    0: 'End', 1: 'ShowFrame', 2: 'DefineShape', 4: 'PlaceObject', 5: 'RemoveObject', 6: 'DefineBits',
    7: 'DefineButton', 8: 'JPEGTables', 9: 'SetBackgroundColor', 10: 'DefineFont', 11: 'DefineText',
    12: 'DoAction', 13: 'DefineFontInfo', 14: 'DefineSound', 15: 'StartSound', 17: 'DefineButtonSound',
    18: 'SoundStreamHead', 19: 'SoundStreamBlock', 20: 'DefineBitsLossless', 21: 'DefineBitsJPEG2',
    22: 'DefineShape2', 23: 'DefineButtonCxform', 24: 'Protect', 25: 'PathsArePostScript', 26: 'PlaceObject2',
    28: 'RemoveObject2', 32: 'DefineShape3', 33: 'DefineText2', 34: 'DefineButton2', 35: 'DefineBitsJPEG3',
    36: 'DefineBitsLossless2', 37: 'DefineEditText', 39: 'DefineSprite', 40: 'NameCharacter', 41: 'ProductInfo',
    43: 'FrameLabel', 45: 'SoundStreamHead2', 46: 'DefineMorphShape', 48: 'DefineFont2', 56: 'ExportAssets',
    57: 'ImportAssets', 58: 'EnableDebugger', 59: 'DoInitAction', 60: 'DefineVideoStream', 61: 'VideoFrame',
    62: 'DefineFontInfo2', 63: 'DebugID', 64: 'EnableDebugger2', 65: 'ScriptLimits', 66: 'SetTabIndex',
    69: 'FileAttributes', 70: 'PlaceObject3', 71: 'ImportAssets2', 72: 'DoABCDefine', 73: 'DefineFontAlignZones',
    74: 'CSMTextSettings', 75: 'DefineFont3', 76: 'SymbolClass', 77: 'Metadata', 78: 'DefineScalingGrid',
    82: 'DoABC', 83: 'DefineShape4', 84: 'DefineMorphShape2', 86: 'DefineSceneAndFrameLabelData',
    87: 'DefineBinaryData', 88: 'DefineFontName', 89: 'StartSound2', 90: 'DefineBitsJPEG4', 91: 'DefineFont4',
    93: 'EnableTelemetry',
};

export const ACTION_NAMES = {
    0x00: 'End', 0x04: 'NextFrame', 0x05: 'PreviousFrame', 0x06: 'Play', 0x07: 'Stop', 0x08: 'ToggleQuality',
    0x09: 'StopSounds', 0x0a: 'Add', 0x0b: 'Subtract', 0x0c: 'Multiply', 0x0d: 'Divide', 0x0e: 'Equals',
    0x0f: 'Less', 0x10: 'And', 0x11: 'Or', 0x12: 'Not', 0x13: 'StringEquals', 0x14: 'StringLength',
    0x15: 'StringExtract', 0x17: 'Pop', 0x18: 'ToInteger', 0x1c: 'GetVariable', 0x1d: 'SetVariable',
    0x20: 'SetTarget2', 0x21: 'StringAdd', 0x22: 'GetProperty', 0x23: 'SetProperty', 0x24: 'CloneSprite',
    0x25: 'RemoveSprite', 0x26: 'Trace', 0x27: 'StartDrag', 0x28: 'EndDrag', 0x29: 'StringLess', 0x2a: 'Throw',
    0x2b: 'CastOp', 0x2c: 'ImplementsOp', 0x30: 'RandomNumber', 0x31: 'MBStringLength', 0x32: 'CharToAscii',
    0x33: 'AsciiToChar', 0x34: 'GetTime', 0x35: 'MBStringExtract', 0x36: 'MBCharToAscii', 0x37: 'MBAsciiToChar',
    0x3a: 'Delete', 0x3b: 'Delete2', 0x3c: 'DefineLocal', 0x3d: 'CallFunction', 0x3e: 'Return', 0x3f: 'Modulo',
    0x40: 'NewObject', 0x41: 'DefineLocal2', 0x42: 'InitArray', 0x43: 'InitObject', 0x44: 'TypeOf',
    0x45: 'TargetPath', 0x46: 'Enumerate', 0x47: 'Add2', 0x48: 'Less2', 0x49: 'Equals2', 0x4a: 'ToNumber',
    0x4b: 'ToString', 0x4c: 'PushDuplicate', 0x4d: 'StackSwap', 0x4e: 'GetMember', 0x4f: 'SetMember',
    0x50: 'Increment', 0x51: 'Decrement', 0x52: 'CallMethod', 0x53: 'NewMethod', 0x54: 'InstanceOf',
    0x55: 'Enumerate2', 0x60: 'BitAnd', 0x61: 'BitOr', 0x62: 'BitXor', 0x63: 'BitLShift', 0x64: 'BitRShift',
    0x65: 'BitURShift', 0x66: 'StrictEquals', 0x67: 'Greater', 0x68: 'StringGreater', 0x69: 'Extends',
    0x81: 'GotoFrame', 0x83: 'GetURL', 0x87: 'StoreRegister', 0x88: 'ConstantPool', 0x8a: 'WaitForFrame',
    0x8b: 'SetTarget', 0x8c: 'GoToLabel', 0x8d: 'WaitForFrame2', 0x8e: 'DefineFunction2', 0x8f: 'Try',
    0x94: 'With', 0x96: 'Push', 0x99: 'Jump', 0x9a: 'GetURL2', 0x9b: 'DefineFunction', 0x9d: 'If', 0x9e: 'Call',
    0x9f: 'GotoFrame2',
};

/** Little-endian reader over a byte array that refuses to read past its end. */
class Reader {
    constructor(bytes, pos = 0, end = bytes.length) {
        this.bytes = bytes;
        this.pos = pos;
        this.end = end;
    }
    need(n, what) {
        if (this.pos + n > this.end) throw new Error(`${what} at offset ${this.pos} runs past the end (${this.end})`);
    }
    u8() {
        this.need(1, 'byte');
        return this.bytes[this.pos++];
    }
    u16() {
        this.need(2, 'UI16');
        const v = this.bytes[this.pos] | (this.bytes[this.pos + 1] << 8);
        this.pos += 2;
        return v;
    }
    u32() {
        this.need(4, 'UI32');
        const v = new DataView(this.bytes.buffer, this.bytes.byteOffset + this.pos, 4).getUint32(0, true);
        this.pos += 4;
        return v;
    }
    cstring() {
        const start = this.pos;
        while (this.pos < this.end && this.bytes[this.pos] !== 0) this.pos++;
        if (this.pos >= this.end) throw new Error(`string at offset ${start} has no terminating zero`);
        return Buffer.from(this.bytes.subarray(start, this.pos++)).toString('utf8');
    }
}

const rgbHex = (c) => '#' + [c.r, c.g, c.b].map((v) => v.toString(16).padStart(2, '0')).join('');
const rect = (r) => r && { xMin: r.xMin, xMax: r.xMax, yMin: r.yMin, yMax: r.yMax };
const colour = (c) => c && { ...c, hex: rgbHex(c) };

/** Splits an action record stream into {code, name, length} records, decoding the few payloads tests look at. */
export function decodeActions(bytes) {
    const r = new Reader(bytes);
    const actions = [];
    while (r.pos < r.end) {
        const code = r.u8();
        const action = { code, name: ACTION_NAMES[code] ?? `Action0x${code.toString(16)}` };
        actions.push(action);
        if (code === 0) break;
        if (code < 0x80) continue;
        action.length = r.u16();
        r.need(action.length, `payload of action 0x${code.toString(16)}`);
        const body = new Reader(bytes, r.pos, r.pos + action.length);
        r.pos += action.length;
        try {
            decodeActionPayload(code, body, action);
        } catch (e) {
            action.error = e.message;
        }
    }
    return actions;
}

function decodeActionPayload(code, r, action) {
    switch (code) {
        case 0x81: action.frame = r.u16(); break;
        case 0x83: action.url = r.cstring(); action.target = r.cstring(); break;
        case 0x8b: action.target = r.cstring(); break;
        case 0x8c: action.label = r.cstring(); break;
        case 0x88: {
            const count = r.u16();
            action.constants = [];
            for (let i = 0; i < count; i++) action.constants.push(r.cstring());
            break;
        }
        case 0x96: {
            action.values = [];
            while (r.pos < r.end) action.values.push(pushValue(r));
            break;
        }
        case 0x99: case 0x9d: action.offset = (r.u16() << 16) >> 16; break;
    }
}

function pushValue(r) {
    const type = r.u8();
    const view = () => new DataView(r.bytes.buffer, r.bytes.byteOffset + r.pos);
    switch (type) {
        case 0: return { type: 'string', value: r.cstring() };
        case 1: { r.need(4, 'float'); const v = view().getFloat32(0, true); r.pos += 4; return { type: 'float', value: v }; }
        case 2: return { type: 'null' };
        case 3: return { type: 'undefined' };
        case 4: return { type: 'register', value: r.u8() };
        case 5: return { type: 'boolean', value: r.u8() !== 0 };
        case 6: {
            // Doubles are stored as two little-endian 32-bit halves, the high half first.
            r.need(8, 'double');
            const b = r.bytes.subarray(r.pos, r.pos + 8);
            r.pos += 8;
            const swapped = Uint8Array.of(...b.subarray(4, 8), ...b.subarray(0, 4));
            return { type: 'double', value: new DataView(swapped.buffer).getFloat64(0, true) };
        }
        case 7: return { type: 'integer', value: r.u32() | 0 };
        case 8: return { type: 'constant', value: r.u8() };
        case 9: return { type: 'constant', value: r.u16() };
        default: throw new Error(`unknown push type ${type}`);
    }
}

/** The fields of a decoded tag that tests check, by its numeric code. */
function keyFields(code, t) {
    const f = {};
    if (t.id !== undefined) f.characterId = t.id;
    switch (code) {
        case 9: f.color = colour(t.color); break;
        case 2: case 22: case 32: case 83: f.bounds = rect(t.bounds); break;
        case 46: case 84: f.bounds = rect(t.bounds); f.morphBounds = rect(t.morphBounds); break;
        case 4: case 26: case 70:
            f.depth = t.depth;
            if (t.characterId !== undefined) f.characterId = t.characterId;
            f.isUpdate = t.isUpdate;
            for (const k of ['name', 'className', 'ratio', 'clipDepth', 'blendMode', 'visible']) {
                if (t[k] !== undefined) f[k] = t[k];
            }
            if (t.matrix) f.matrix = { ...t.matrix, scaleX: +t.matrix.scaleX, scaleY: +t.matrix.scaleY,
                rotateSkew0: +t.matrix.rotateSkew0, rotateSkew1: +t.matrix.rotateSkew1 };
            if (t.colorTransform) f.hasColorTransform = true;
            if (t.filters) f.filterCount = t.filters.length;
            if (t.clipActions) f.clipActionCount = t.clipActions.length;
            break;
        case 5: case 28: f.depth = t.depth; if (t.characterId !== undefined) f.characterId = t.characterId; break;
        case 6: case 21: case 35: case 90: case 20: case 36:
            Object.assign(f, { width: t.width, height: t.height, mediaType: t.mediaType, dataLength: t.data?.length });
            break;
        case 12: f.actions = decodeActions(t.actions); f.actionCodes = f.actions.map((a) => a.code); break;
        case 59:
            f.spriteId = t.spriteId;
            f.actions = decodeActions(t.actions);
            f.actionCodes = f.actions.map((a) => a.code);
            break;
        case 56: case 76: f.assets = (t.assets ?? t.symbols).map((a) => ({ id: a.id, name: a.name })); break;
        case 57: case 71: f.url = t.url; f.assets = t.assets.map((a) => ({ id: a.id, name: a.name })); break;
        case 43: f.name = t.name; f.isAnchor = t.isAnchor; break;
        case 14:
            Object.assign(f, { format: t.format, soundRate: t.soundRate, soundSize: t.soundSize,
                soundType: t.soundType, sampleCount: t.sampleCount, dataLength: t.data.length });
            break;
        case 15: f.soundId = t.soundId; f.soundInfo = t.soundInfo; break;
        case 89: f.soundClassName = t.soundClassName; break;
        case 18: case 45:
            Object.assign(f, { streamFormat: t.streamFormat, streamSoundRate: t.streamSoundRate,
                streamSampleCount: t.streamSampleCount });
            break;
        case 7: case 34:
            f.records = t.records.map((b) => ({ characterId: b.characterId, depth: b.depth,
                states: ['Up', 'Over', 'Down', 'HitTest'].filter((s) => b[`state${s}`]) }));
            f.actions = t.actions.map((a) => ({ conditions: a.conditions, actionCodes: decodeActions(a.actions).map((x) => x.code) }));
            break;
        case 37:
            f.bounds = rect(t.bounds);
            for (const k of ['variableName', 'text', 'fontId', 'fontClass', 'fontSize', 'html', 'readonly', 'multiline', 'wordWrap']) {
                if (t[k] !== undefined) f[k] = t[k];
            }
            if (t.color) f.color = { ...t.color };
            break;
        case 11: case 33: f.bounds = rect(t.bounds); f.recordCount = t.records.length; break;
        case 10: case 48: case 75: case 91:
            if (t.fontName !== undefined) f.fontName = t.fontName;
            if (t.glyphs) f.glyphCount = t.glyphs.length;
            break;
        case 69:
            for (const k of ['useNetwork', 'useAs3', 'hasMetadata', 'useDirectBlit', 'useGpu']) f[k] = t[k];
            break;
        case 65: f.maxRecursionDepth = t.maxRecursionDepth; f.scriptTimeout = t.scriptTimeout; break;
        case 87: f.dataLength = t.data.length; break;
    }
    return f;
}

/** The bit-packed RECT at byte `pos`: {frameSize, end} with `end` the byte after it. */
function readRect(bytes, pos) {
    const bit = (i) => {
        const byte = pos + (i >> 3);
        if (byte >= bytes.length) throw new Error(`the frame size runs past the end of the file`);
        return (bytes[byte] >> (7 - (i & 7))) & 1;
    };
    const bits = (start, n) => {
        let v = 0;
        for (let i = 0; i < n; i++) v = (v << 1) | bit(start + i);
        return v;
    };
    const nbits = bits(0, 5);
    const signed = (start) => {
        const v = bits(start, nbits);
        return nbits && v & (1 << (nbits - 1)) ? v - 2 ** nbits : v;
    };
    const [xMin, xMax, yMin, yMax] = [0, 1, 2, 3].map((k) => signed(5 + k * nbits));
    return { frameSize: { xMin, xMax, yMin, yMax }, end: pos + Math.ceil((5 + 4 * nbits) / 8) };
}

/** Walks the tags of `bytes[start, end)` until End or the end of the range. */
function readTags(bytes, start, end, version) {
    const r = new Reader(bytes, start, end);
    const tags = [];
    while (r.pos < r.end) {
        const offset = r.pos;
        const codeAndLength = r.u16();
        const code = codeAndLength >> 6;
        let length = codeAndLength & 0x3f;
        const longHeader = length === 0x3f;
        if (longHeader) length = r.u32();
        const bodyStart = r.pos;
        r.need(length, `body of tag ${code} (${length} bytes)`);
        r.pos += length;
        const tag = { code, name: TAG_NAMES[code] ?? `Tag${code}`, offset, length, longHeader };
        tags.push(tag);
        if (code === 0) break;
        const parsed = parseTag(bytes.subarray(offset, r.pos), version);
        tag.parsed = parsed !== undefined && parsed.type !== 52 && parsed.type !== 53; // neither Raw nor RawBody
        if (tag.parsed) Object.assign(tag, keyFields(code, parsed));
        if (code === 39) {
            const sprite = new Reader(bytes, bodyStart, bodyStart + length);
            tag.characterId = sprite.u16();
            tag.frameCount = sprite.u16();
            tag.tags = readTags(bytes, sprite.pos, sprite.end, version);
        }
    }
    return tags;
}

/** Summary of an SWF file given as bytes (FWS or CWS). */
export function summarizeSwf(input) {
    const bytes = input instanceof Uint8Array ? input : new Uint8Array(input);
    if (bytes.length < 8) throw new Error(`an SWF file has at least 8 bytes, this one has ${bytes.length}`);
    const signature = String.fromCharCode(bytes[0], bytes[1], bytes[2]);
    const version = bytes[3];
    const fileLength = new DataView(bytes.buffer, bytes.byteOffset + 4, 4).getUint32(0, true);
    let movie;
    if (signature === 'FWS') movie = bytes;
    else if (signature === 'CWS') {
        movie = new Uint8Array(fileLength);
        movie.set(bytes.subarray(0, 8));
        const body = inflateSync(bytes.subarray(8));
        if (body.length + 8 !== fileLength) {
            throw new Error(`the header says ${fileLength} bytes, the inflated movie has ${body.length + 8}`);
        }
        movie.set(body, 8);
    } else throw new Error(`unsupported signature "${signature}"`);

    const { frameSize: fs, end } = readRect(movie, 8);
    const header = new Reader(movie, end);
    const frameRate = header.u16() / 256;
    const frameCount = header.u16();
    const headerLength = header.pos;
    return {
        signature,
        compressed: signature === 'CWS',
        version,
        fileLength,
        actualLength: movie.length,
        frameSize: { ...rect(fs), width: (fs.xMax - fs.xMin) / 20, height: (fs.yMax - fs.yMin) / 20 },
        frameRate,
        frameCount,
        headerLength,
        tags: readTags(movie, headerLength, movie.length, version),
    };
}

export function summarizeSwfFile(path) {
    return summarizeSwf(readFileSync(path));
}

/** Depth-first list of every tag, sprite contents included. */
export function allTags(summary) {
    const out = [];
    const walk = (tags) => tags.forEach((t) => { out.push(t); if (t.tags) walk(t.tags); });
    walk(summary.tags);
    return out;
}
