// Writes lzstring-cases.txt: each line the hex of a UTF-8 text, a tab, and
// what lz-string's compressToEncodedURIComponent makes of it. Run with the
// npm package on NODE_PATH: node make_lzstring_cases.js > lzstring-cases.txt
const fs = require('fs');
const path = require('path');
const LZString = require('lz-string');

const shader = fs.readFileSync(path.join(__dirname, '../../../Source/Render/PP_Tint.psh'), 'utf8');
let long = '';
for (let i = 0; i < 3000; i++) {
  long += 'line ' + (i * 7919 % 1000) + ': ' + String.fromCharCode(65 + (i * 31) % 26) + '\n';
}
const cases = [
  '',
  'a',
  'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa',
  'abababababcabcabcabcd',
  'Zoë, 日本語, Ελληνικά, кириллица',
  'surrogate pair: \u{1F600} and \u{1D11E} twice \u{1F600}',
  '\u0000\u0001\u00ff\u0100\uffff',
  shader,
  JSON.stringify({version: 1, files: {'Source/Render/PP_Tint.psh': shader}}),
  long,
];
for (const text of cases) {
  const hex = Buffer.from(text, 'utf8').toString('hex');
  process.stdout.write(hex + '\t' + LZString.compressToEncodedURIComponent(text) + '\n');
}
