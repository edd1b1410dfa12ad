// Prints the summary of an SWF file as JSON: node tests/e2e/parse-swf.mjs FILE
import { summarizeSwfFile } from './lib/swfparse.mjs';

if (process.argv.length !== 3) {
    console.error('usage: node tests/e2e/parse-swf.mjs FILE');
    process.exit(2);
}
try {
    console.log(JSON.stringify(summarizeSwfFile(process.argv[2]), null, 2));
} catch (e) {
    console.error(`${process.argv[2]}: ${e.message}`);
    process.exit(1);
}
