// Writes the Anki packages the reader's tests start from, with a writer Brenvik did not
// write (anki-apkg-export 4.0.3: a legacy collection.anki2, one deck, one two-field note
// type named after the deck). Run from this folder:
//   npm install && node make-packages.js && python3 derive-packages.py
// The output goes to the folder above; the packages are committed so the tests need no
// network. derive-packages.py makes the cases this writer cannot write from basic.apkg.
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const AnkiExport = require('anki-apkg-export').default;

// A small PNG of one colour, so the pictures are real files any reader can open.
function png(w, h, rgb) {
  const crcTable = [];
  for (let n = 0; n < 256; n++) {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    crcTable[n] = c >>> 0;
  }
  const crc = (buf) => {
    let c = 0xffffffff;
    for (const b of buf) c = crcTable[(c ^ b) & 0xff] ^ (c >>> 8);
    return (c ^ 0xffffffff) >>> 0;
  };
  const chunk = (type, data) => {
    const len = Buffer.alloc(4);
    len.writeUInt32BE(data.length);
    const td = Buffer.concat([Buffer.from(type, 'ascii'), data]);
    const c = Buffer.alloc(4);
    c.writeUInt32BE(crc(td));
    return Buffer.concat([len, td, c]);
  };
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(w, 0);
  ihdr.writeUInt32BE(h, 4);
  ihdr[8] = 8; // bit depth
  ihdr[9] = 2; // RGB
  const rows = [];
  for (let y = 0; y < h; y++) {
    rows.push(Buffer.from([0]));
    for (let x = 0; x < w; x++) rows.push(Buffer.from(rgb));
  }
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk('IHDR', ihdr),
    chunk('IDAT', zlib.deflateSync(Buffer.concat(rows))),
    chunk('IEND', Buffer.alloc(0)),
  ]);
}

// A short silent WAV file.
function wav() {
  const samples = 800;
  const b = Buffer.alloc(44 + samples);
  b.write('RIFF', 0);
  b.writeUInt32LE(36 + samples, 4);
  b.write('WAVEfmt ', 8);
  b.writeUInt32LE(16, 16);
  b.writeUInt16LE(1, 20); // PCM
  b.writeUInt16LE(1, 22); // mono
  b.writeUInt32LE(8000, 24);
  b.writeUInt32LE(8000, 28);
  b.writeUInt16LE(1, 32);
  b.writeUInt16LE(8, 34);
  b.write('data', 36);
  b.writeUInt32LE(samples, 40);
  b.fill(128, 44);
  return b;
}

async function write(name, fill) {
  const apkg = new AnkiExport(name === 'basic' ? 'Capitals' : name);
  fill(apkg);
  const zip = await apkg.save();
  fs.writeFileSync(path.join(__dirname, '..', name + '.apkg'), zip, 'binary');
}

(async () => {
  await write('basic', (apkg) => {
    apkg.addMedia('flag.png', png(4, 3, [200, 16, 46]));
    apkg.addMedia('map of europe.png', png(6, 4, [0, 80, 160]));
    apkg.addMedia('bell.wav', wav());
    apkg.addCard('Capital of <b>France</b>?', 'Paris', { tags: ['europe', 'capital'] });
    apkg.addCard('Capital of Norway?<br><img src="flag.png">', 'Oslo');
    apkg.addCard('<img src="map of europe.png">', 'Europe');
    apkg.addCard('Capital of Italy? [sound:bell.wav]', 'Rome<div><img src="flag.png"></div>');
    apkg.addCard('Caf&eacute; &amp; cr&egrave;me', 'Coffee &amp; cream');
  });
})().catch((e) => {
  console.error(e.stack || e);
  process.exit(1);
});
