// The page's shader editor beside the picture, its Share button and files
// dropped on the page. It talks to the program through the functions of
// tools/web/PageExports.cpp and its file system; scripts/web bundles it with
// its npm packages into dist/editor.js.
import { EditorView, basicSetup } from 'codemirror';
import { EditorState } from '@codemirror/state';
import { cpp } from '@codemirror/lang-cpp';
import { lintGutter, setDiagnostics } from '@codemirror/lint';
import LZString from 'lz-string';

// Quiet typing this long writes the text into the program.
const kWriteDelay = 300;
// What browsers keep of an address (Common/ShareLink.h's kLinkLimit).
const kLinkLimit = 64 * 1024;
const kFilterTemplate = `// A full-screen filter: the scene is s0, tex runs from 0 to 1 across it.
sampler s0 : register(s0);
float4 p0 : register(c0); // width, height, frame counter, seconds

float4 main(float2 tex : TEXCOORD0) : COLOR
{
    float3 c = tex2D(s0, tex).rgb;
    return float4(c.gbr, 1.0);
}
`;

let program = null; // the emscripten module once the program runs
let current = null; // the open shader's name
let writeTimer = 0;
let lookTimer = 0;
let drops = 0;
let shown = ''; // the diagnostics last shown, so that a refresh changes nothing
const byId = id => document.getElementById(id);

// A function of PageExports.cpp, strings in and out as UTF-8. (Not ccall:
// with ASYNCIFY it waits for the sleeping main loop to finish.)
function call(name, returns, ...args) {
  const texts = [];
  const cArgs = args.map(arg => {
    const size = program.lengthBytesUTF8(arg) + 1;
    const text = program._malloc(size);
    program.stringToUTF8(arg, text, size);
    texts.push(text);
    return text;
  });
  try {
    const result = program['_' + name](...cArgs);
    return returns === 'string' ? program.UTF8ToString(result) : result;
  } finally {
    texts.forEach(text => program._free(text));
  }
}
const lines = text => text.split('\n').filter(line => line !== '');

function say(text, problem) {
  const line = byId('editor-status');
  line.textContent = text;
  line.className = problem ? 'problem' : '';
}

const view = new EditorView({ parent: byId('editor') });

function newState(text) {
  return EditorState.create({
    doc: text,
    extensions: [basicSetup, cpp(), lintGutter(), EditorView.updateListener.of(update => {
      if (update.docChanged) {
        clearTimeout(writeTimer);
        writeTimer = setTimeout(writeCurrent, kWriteDelay);
      }
    })],
  });
}

// The compiler's messages about the open file as the editor's diagnostics.
function showMessages() {
  if (!program || !current) return;
  const doc = view.state.doc;
  const diagnostics = lines(call('TessavinShaderMessages', 'string', current)).map(entry => {
    const [line, severity, ...text] = entry.split('\t');
    const placed = doc.line(Math.min(Math.max(Number(line), 1), doc.lines));
    return { from: placed.from, to: placed.to, severity, message: text.join(' ') };
  });
  const key = current + JSON.stringify(diagnostics);
  if (key === shown) return;
  shown = key;
  view.dispatch(setDiagnostics(view.state, diagnostics));
  if (diagnostics.length) {
    say(`${current} does not compile; the last good version keeps drawing.`, true);
  } else {
    say(`${current}: compiled.`);
  }
}

// The messages once the program has looked at its files after a write.
function afterNextLook() {
  clearInterval(lookTimer);
  const before = call('TessavinShaderLooks', 'number');
  const start = Date.now();
  lookTimer = setInterval(() => {
    if (call('TessavinShaderLooks', 'number') > before || Date.now() - start > 5000) {
      clearInterval(lookTimer);
      showMessages();
    }
  }, 50);
}

function writeCurrent() {
  clearTimeout(writeTimer);
  writeTimer = 0;
  if (!program || !current) return;
  if (!call('TessavinWriteShader', 'number', current, view.state.doc.toString())) {
    say(`${current} could not be written.`, true);
    return;
  }
  afterNextLook();
}

function listShaders() {
  const list = byId('shader-list');
  const names = lines(call('TessavinShaderList', 'string'));
  if (names.join('\n') !== Array.from(list.options, o => o.value).join('\n')) {
    list.replaceChildren(...names.map(name => new Option(name, name)));
  }
  if (current) list.value = current;
  return names;
}

function open(name) {
  if (writeTimer) writeCurrent(); // the last keystrokes of the file left
  current = name;
  byId('shader-list').value = name;
  view.setState(newState(call('TessavinShaderText', 'string', name)));
  shown = '';
  byId('reset').disabled = !call('TessavinHasShippedText', 'number', name);
  showMessages();
}

function reset() {
  if (!current || !call('TessavinResetShader', 'number', current)) return;
  open(current);
  afterNextLook();
}

function newFilter() {
  const names = listShaders();
  let n = 1;
  while (names.includes(`Filters/MyFilter${n}.psh`)) n++;
  const name = `Filters/MyFilter${n}.psh`;
  if (!call('TessavinWriteShader', 'number', name, kFilterTemplate)) {
    say(`${name} could not be written.`, true);
    return;
  }
  listShaders();
  open(name);
  afterNextLook();
  say(`${name} is a new filter: Page Down in the picture steps to it.`);
}

// The inspector's tuned values as the page keeps them in local storage
// (tools/web/WebMain.cpp: a "NAME = V V ..." line a constant, an entry a
// shader file, saved once a second).
function tunedValues() {
  const prefix = 'tessavin/tunables/';
  const values = [];
  try {
    for (let i = 0; i < localStorage.length; i++) {
      const key = localStorage.key(i);
      if (!key.startsWith(prefix) || !key.endsWith('.txt')) continue;
      const file = key.slice(prefix.length, -'.txt'.length);
      for (const line of localStorage.getItem(key).split('\n')) {
        const words = line.trim().split(/\s+/);
        const numbers = words.slice(2).map(Number);
        if (words[1] === '=' && numbers.length >= 1 && numbers.length <= 4 && numbers.every(Number.isFinite)) {
          values.push({ file, name: words[0], values: numbers });
        }
      }
    }
  } catch (e) {
    // No storage (a private window): nothing was kept to share.
  }
  return values;
}

// Every edited and added shader, and every tuned value, into the address's
// fragment, as the program's --link reads it.
function share() {
  const names = lines(call('TessavinEditedShaders', 'string'));
  const values = tunedValues();
  if (!names.length && !values.length) {
    say('Nothing to share: no shader was edited or added, and no control tuned.', true);
    return;
  }
  const files = names.map(path => ({ path, text: call('TessavinShaderText', 'string', path) }));
  const payload = values.length ? { v: 1, files, values } : { v: 1, files };
  const fragment = LZString.compressToEncodedURIComponent(JSON.stringify(payload));
  const address = location.href.split('#')[0] + '#' + fragment;
  if (address.length > kLinkLimit) {
    say(`The link would be ${Math.ceil(address.length / 1024)} kB, over the 64 kB browsers keep: ` +
        'share fewer or shorter shaders.', true);
    return;
  }
  history.replaceState(null, '', '#' + fragment);
  const tuned = values.length ? ` and ${values.length} tuned value${values.length > 1 ? 's' : ''}` : '';
  const what = `Link to ${names.length} shader${names.length !== 1 ? 's' : ''}${names.length ? ` (${names.join(', ')})` : ''}${tuned}`;
  const copied = navigator.clipboard ? navigator.clipboard.writeText(address) : Promise.reject();
  copied.then(() => say(`${what} copied and in the address bar.`),
              () => say(`${what} in the address bar (the clipboard refused it).`));
}

// Dropped files go into a folder of their own, so that a mesh finds its
// textures beside it; the program takes the meshes and shaders.
async function dropFiles(files) {
  if (!program || !files.length) return;
  const folder = `/drops/${++drops}`;
  program.FS.mkdirTree(folder);
  const paths = [];
  for (const file of files) {
    const path = `${folder}/${file.name}`;
    program.FS.writeFile(path, new Uint8Array(await file.arrayBuffer()));
    paths.push(path);
  }
  const taken = path => /\.(x|fx|hlsl|psh)$/i.test(path);
  const mesh = paths.some(path => /\.x$/i.test(path));
  // Beside a mesh the other files are its textures; alone, an image replaces the
  // textures of its name, and anything else is named as not taken.
  for (const path of paths.filter(path => taken(path) || !mesh)) call('TessavinDropFile', 'number', path);
  setTimeout(listShaders, 1500);
}

function start(module) {
  program = module;
  byId('editor-panel').hidden = false;
  byId('shader-list').addEventListener('change', e => open(e.target.value));
  byId('reset').addEventListener('click', reset);
  byId('new-filter').addEventListener('click', newFilter);
  byId('share').addEventListener('click', share);
  const names = listShaders();
  open(names.includes('Source/Render/PP_Tint.psh') ? 'Source/Render/PP_Tint.psh' : names[0]);
  // Files dropped or added from outside, and messages of a file another edit broke.
  setInterval(() => {
    if (!program) return;
    listShaders();
    showMessages();
  }, 1000);
}

function stop() {
  clearTimeout(writeTimer);
  clearInterval(lookTimer);
  program = null;
}

document.addEventListener('dragover', e => e.preventDefault());
document.addEventListener('drop', e => {
  e.preventDefault();
  dropFiles(Array.from(e.dataTransfer.files));
});
byId('toggle-editor').addEventListener('click', () => {
  const shown = !document.body.classList.toggle('no-editor');
  byId('toggle-editor').textContent = shown ? 'Hide editor' : 'Show editor';
});

window.tessavinEditor = { start, stop, open, view };
