// Runs a TensorFlow.js graph model with the pure-JavaScript CPU backend, as the reference that
// the ONNX conversion is checked against.
//
// usage: node reference.mjs MODEL_JSON INPUT_F32 H W OUTPUT_F32 NODE [NODE...]
//
// INPUT_F32 holds one or more NHWC images of H x W x 3 float32 values (little-endian, no
// header), one after the other. For every image, the values of the named output nodes are
// appended to OUTPUT_F32 in the order the nodes are given.
//
// The model's image input is declared at H x W, so a model can be run at the input size it is
// converted for even where that differs from the size it was exported with (convolutions and
// pools work their padding out from the size they are given; a reshape constant made for the
// exported size would not fit, so ask for the node in front of such a reshape).

import fs from 'node:fs';
import path from 'node:path';
import * as tf from '@tensorflow/tfjs-core';
import '@tensorflow/tfjs-backend-cpu';
import { loadGraphModel } from '@tensorflow/tfjs-converter';

function fail(message) {
  process.stderr.write(`reference.mjs: ${message}\n`);
  process.exit(1);
}

// Declares every image placeholder (and the signature's inputs) as [batch, h, w, channels].
function declareInputSize(doc, h, w) {
  const resize = (dims) => {
    if (dims && dims.length === 4) {
      dims[1] = { size: String(h) };
      dims[2] = { size: String(w) };
    }
  };
  for (const node of doc.modelTopology.node || []) {
    if (node.op === 'Placeholder') resize(node.attr?.shape?.shape?.dim);
  }
  for (const input of Object.values(doc.signature?.inputs || {})) resize(input.tensorShape?.dim);
}

function fileHandler(modelJson, h, w) {
  return {
    async load() {
      const doc = JSON.parse(fs.readFileSync(modelJson, 'utf8'));
      declareInputSize(doc, h, w);
      const dir = path.dirname(modelJson);
      const specs = [];
      const buffers = [];
      for (const group of doc.weightsManifest) {
        specs.push(...group.weights);
        for (const p of group.paths) buffers.push(fs.readFileSync(path.join(dir, p)));
      }
      const all = Buffer.concat(buffers);
      const weightData = all.buffer.slice(all.byteOffset, all.byteOffset + all.byteLength);
      return {
        modelTopology: doc.modelTopology,
        weightSpecs: specs,
        weightData,
        format: doc.format,
        generatedBy: doc.generatedBy,
        convertedBy: doc.convertedBy,
        signature: doc.signature,
        userDefinedMetadata: doc.userDefinedMetadata,
      };
    },
  };
}

async function main() {
  const [modelJson, inputFile, hText, wText, outputFile, ...nodes] = process.argv.slice(2);
  if (!nodes.length) fail('usage: reference.mjs MODEL_JSON INPUT_F32 H W OUTPUT_F32 NODE [NODE...]');
  const h = Number(hText);
  const w = Number(wText);
  const perImage = h * w * 3;
  const raw = fs.readFileSync(inputFile);
  if (!perImage || raw.byteLength % (perImage * 4) !== 0) fail(`${inputFile} does not hold whole ${h}x${w}x3 float32 images`);
  const pixels = new Float32Array(raw.buffer, raw.byteOffset, raw.byteLength / 4);
  const count = pixels.length / perImage;

  await tf.setBackend('cpu');
  await tf.ready();
  const model = await loadGraphModel(fileHandler(modelJson, h, w));

  const chunks = [];
  for (let i = 0; i < count; i += 1) {
    const input = tf.tensor4d(pixels.slice(i * perImage, (i + 1) * perImage), [1, h, w, 3]);
    const outs = model.execute(input, nodes);
    for (const t of Array.isArray(outs) ? outs : [outs]) {
      chunks.push(Buffer.from((await t.data()).buffer.slice(0)));
      t.dispose();
    }
    input.dispose();
  }
  fs.writeFileSync(outputFile, Buffer.concat(chunks));
}

main().catch((e) => fail(e.stack || String(e)));
