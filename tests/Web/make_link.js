// Writes link.txt: the fragment of a shared link (lz-string's URI form of the
// payload) whose PP_Tint.psh swaps the scene's red and blue, for the check
// that the page and tessavin-capture --link draw the same frame from it.
// Run with the npm package on NODE_PATH: node make_link.js > link.txt
const fs = require('fs');
const path = require('path');
const LZString = require('lz-string');

const tint = fs.readFileSync(path.join(__dirname, '../../Source/Render/PP_Tint.psh'), 'utf8')
  .replace('return float4(saturate(scene * TintColour.rgb * 2.2f), 1.0f);',
           'return float4(saturate(scene.bgr * 1.5f), 1.0f); // shared: red and blue swapped');
if (!tint.includes('shared:')) throw new Error('PP_Tint.psh no longer has the line to replace');
const payload = { v: 1, files: [{ path: 'Source/Render/PP_Tint.psh', text: tint }] };
process.stdout.write(LZString.compressToEncodedURIComponent(JSON.stringify(payload)) + '\n');
