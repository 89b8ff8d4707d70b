// Runs a TensorFlow.js graph model with the pure-JavaScript CPU backend, as the reference that
// the ONNX conversion is checked against.
//
// usage: node reference.mjs MODEL_JSON INPUT_F32 H W OUTPUT_F32 NODE [NODE...]
//
// INPUT_F32 holds one or more NHWC images of H x W x 3 float32 values (little-endian, no
// header), one after the other. For every image, the values of the named output nodes are
// appended to OUTPUT_F32 in the order the nodes are given.

import fs from 'node:fs';
import path from 'node:path';
import * as tf from '@tensorflow/tfjs-core';
import '@tensorflow/tfjs-backend-cpu';
import { loadGraphModel } from '@tensorflow/tfjs-converter';

function fail(message) {
  process.stderr.write(`reference.mjs: ${message}\n`);
  process.exit(1);
}

function fileHandler(modelJson) {
  return {
    async load() {
      const doc = JSON.parse(fs.readFileSync(modelJson, 'utf8'));
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
  const model = await loadGraphModel(fileHandler(modelJson));

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
