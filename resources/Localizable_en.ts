<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>BrushIcons</name>
    <message>
        <source>Pen</source>
        <translation type="unfinished">Pen</translation>
    </message>
    <message>
        <source>Pencil</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Airbrush</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marker</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pen: hard and round, pressing harder paints wider</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pencil: grainy, pressing harder paints darker</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Airbrush: soft and round, pressing harder paints denser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marker: a flat chisel that turns as the pen tilts</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BrushSizeSlider</name>
    <message>
        <source>%1 points</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 pt</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CanvasCore</name>
    <message>
        <source>Background</source>
        <translation type="unfinished">Background</translation>
    </message>
    <message>
        <source>Layer %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 copy</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CanvasDialogs</name>
    <message>
        <source>A sheet can be at most %1 points wide and %1 points high.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory for a sheet of %1 × %2 points.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A sheet of %1 × %2 points cannot be made.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sheet Not Changed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copying this picture needs about %1 of memory, and only %2 is free. The clipboard was left as it was.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Picture Not Copied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No compositing manager runs, so the see-through paper is shown over grey.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing Pasted</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ColorWheel</name>
    <message>
        <source>Colour wheel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hue around the ring, saturation across and value up the square</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ColorsPanel</name>
    <message>
        <source>Colours</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>More…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the colour in the full colour dialog</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>H</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>R</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>G</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hue, in degrees</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saturation, in percent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Value, in percent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Red</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Green</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Blue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Palette</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Palette</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GIMP palettes (*.gpl);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Palette</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GIMP palettes (*.gpl)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Current Colour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opacity, in percent</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Show this help and exit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paint with a pen tablet. Each FILE opens in a window of its own; without one, a new picture opens.
Qt&apos;s own options (-platform, -style, …) are understood too.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Read the tablets&apos; kernel devices directly (needs the input group).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record every input of the session in FILE, one JSON object a line.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replay the session recorded in FILE into a new picture, print a summary and exit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>With --replay: the sheet&apos;s size in points (600x600).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>With --export: the picture on its paper.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>With --replay: at the recorded pace, not as fast as possible.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>With --replay: leave the picture open afterwards instead of exiting.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the pictures that Inkpond kept when it last ended abruptly into FOLDER, as recovered-N.png, and exit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A picture to open.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--recover-to goes alone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 goes with --replay only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--record and --replay cannot be combined.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--replay draws in a new picture of its own: no FILE goes with it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--sheet wants a size such as 1024x768, not &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--with-background goes with --export.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>With --replay: replay over the picture in FILE, not a new sheet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write the picture to OUT, as the type its extension names (.ora keeps the layers), and exit: the replayed picture, or the one FILE given, opened without a window.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--record and --export cannot be combined.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--export without --replay converts one FILE: name exactly one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--sheet and --start cannot be combined.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Run apart from an Inkpond already running, instead of handing it the files.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Document</name>
    <message>
        <source>Untitled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Its contents could not be written as %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It is not a regular file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save As</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” already exists. Do you want to replace it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replacing it will overwrite its current contents.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The document “%1” could not be saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The document “%1” could not be saved as “%2”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you want to revert to the most recently saved version of the document “%1”?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your current changes will be lost.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Revert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The document “%1” could not be reverted to its saved version.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you want to save the changes made to the document “%1”?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your changes will be lost if you don&apos;t save them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Don&apos;t Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Its name cannot be written back as it is; use Save As to choose another.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The save was cancelled.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished">Cancel</translation>
    </message>
</context>
<context>
    <name>DocumentController</name>
    <message>
        <source>Untitled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Untitled %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A new document could not be made.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The document “%1” could not be opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Readable pictures (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DocumentTypes</name>
    <message>
        <source>A document type has no name.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The document type “%1” has a malformed extension.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The document type “%1” has no role.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The document type “%1” can be saved but has no extension.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The document type “%1” is listed twice.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The table names no default type that can be saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is not a document-types table.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DocumentWindow</name>
    <message>
        <source>Customize Toolbar…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Line: Shift-click, then click · Shift: snap to 45° · Alt/Ctrl with the click: chain · Esc: cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ruled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Grid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>See-through</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GimpPalette</name>
    <message>
        <source>The file is too large to be a palette.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file is not a GIMP palette: it does not begin with &quot;GIMP Palette&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only the first %1 colours were read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lines that are not colours were left out: %1.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HexColorField</name>
    <message>
        <source>A colour as #rrggbb, or #rrggbbaa with its opacity</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ImageCodec</name>
    <message>
        <source>The picture is %1 × %2 pixels; a sheet can be at most %3 pixels wide and high.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The picture&apos;s data is damaged or incomplete.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The data is not a picture in any format Inkpond can read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The picture could not be decoded: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory for a picture of %1 × %2 pixels.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no picture to write.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inkpond cannot write pictures with the extension “%1”.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>InkpondDocument</name>
    <message>
        <source>Pen color</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Eraser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pen 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pen 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pen 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pen 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Brush size</source>
        <translation type="unfinished">Brush size</translation>
    </message>
    <message>
        <source>The type “%1” has no file name extension.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory to flatten the picture.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory for a picture of %1 × %2 pixels.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory to read the picture.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opening “%1”…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paper</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A file of the type “%1” holds no layers: they were flattened into it. The picture here keeps them; save as OpenRaster to keep them in a file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory for the picture&apos;s layers.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A file of the type “%1” keeps no transparency: the transparent parts of the picture became white in it.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LayerPropertiesDialog</name>
    <message>
        <source>Normal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multiply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Screen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overlay</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Darken</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lighten</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layer Properties</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Opacity:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Mode:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Visible</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Locked</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lock &amp;alpha</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LayersPanel</name>
    <message>
        <source>Layers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opacity:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lock alpha</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duplicate Layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move Layer Up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move Layer Down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Visible</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hidden</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Locked</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not locked</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LocalFile</name>
    <message>
        <source>“%1” is a FIFO, not a picture file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is a folder, not a picture file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is a device, not a picture file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is a socket, not a picture file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is not a regular file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is larger than any picture Inkpond can open (%2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” cannot be read: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not enough memory to open “%1”.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Localizable</name>
    <message>
        <source>Color</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>Current color</source>
        <translation>Current color</translation>
    </message>
    <message>
        <source>Current pen color</source>
        <translation>Current pen color</translation>
    </message>
    <message>
        <source>Pen</source>
        <translation>Pen</translation>
    </message>
    <message>
        <source>Current pen</source>
        <translation>Current pen</translation>
    </message>
    <message>
        <source>Curret pen</source>
        <translation>Current pen — keys 1–4 choose a colour, E the eraser</translation>
    </message>
    <message>
        <source>Brush size</source>
        <translation>Brush size</translation>
    </message>
    <message>
        <source>Current brush size</source>
        <translation>Current brush size</translation>
    </message>
    <message>
        <source>Current pen&apos;s brush size</source>
        <translation>Current pen&apos;s brush size</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>Background type</source>
        <translation>Background type</translation>
    </message>
    <message>
        <source>Window background type</source>
        <translation>Paper: plain, ruled, grid, or see-through to trace what lies behind the window</translation>
    </message>
    <message>
        <source>The image will be resized or cropped to the size (%d, %d).
This action is not undoable.

Continue?</source>
        <translation>The image will be resized or cropped to the size (%d, %d).
This action is not undoable.

Continue?</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo the last stroke</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Redo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Redo the stroke undone last</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainMenu</name>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New from &amp;Clipboard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save &amp;As…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Re&amp;vert to Saved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy with &amp;Background</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Crop to &amp;Visible Area</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 × %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;ustom Size…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Zoom</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Bring All to Front</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;About Inkpond</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear Menu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Inkpond</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;b&gt;Inkpond&lt;/b&gt; %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Preferences…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom &amp;In</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom &amp;Out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Actual Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Fit to Window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rotate &amp;Left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rotate &amp;Right</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>R&amp;eset Rotation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Mirror</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F&amp;ull Screen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Keyboard and Pen Shortcuts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paper</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Plain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>R&amp;uled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Grid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;See-through</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pen and Mouse</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keyboard and Pen Shortcuts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Action</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keys</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Color &amp;%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Eraser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Smaller Brush</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Larger Brush</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Pick Color</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Brush</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Pen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pe&amp;ncil</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Airbrush</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Marker</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inkpond &amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A painting program for pen tablets.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inkpond Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>La&amp;yers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New Layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dupli&amp;cate Layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete Layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move Layer &amp;Up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move Layer D&amp;own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Merge Down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Flatten Image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layer &amp;Properties…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Move Layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Colours</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset &amp;View</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OpenRaster</name>
    <message>
        <source>The OpenRaster file could not be written: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The picture has no valid size.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A picture can have at most %1 layers.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file is not an OpenRaster picture, or its archive is damaged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The entry&apos;s data is damaged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The OpenRaster file&apos;s layer list declares a document type, which is not accepted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The OpenRaster picture&apos;s size (%1 × %2) is not one a sheet can have; at most %3 pixels a side.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The OpenRaster file has more than %1 layers.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The OpenRaster file&apos;s layer “%1” names its pixels “%2”, which is no entry of the archive.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The OpenRaster file&apos;s layer list is damaged: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layer groups were flattened into their layers.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The blend mode %1 is not known here; its layers blend normally.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The layer “%1” could not be read: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the archive has no entry %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it needs about %1 MB of memory, and only %2 MB is free.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>there is not enough memory.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The OpenRaster file has no readable layer list (stack.xml).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The OpenRaster file&apos;s entry %1 unpacks to more data than a picture can hold.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The entry unpacks to more data than a picture can hold.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PaletteLibrary</name>
    <message>
        <source>The palette “%1” could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is not a palette: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The palette could not be saved as “%1”: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Palette</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The palette is full.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PastedImage</name>
    <message>
        <source>The image is too large for a picture.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The image could not be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no image to paste.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>What was offered is not an image.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is not an image file.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PenButton</name>
    <message>
        <source>Pen %1, %2 points wide</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Eraser, %1 points wide</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PictureFile</name>
    <message>
        <source>The picture&apos;s data is damaged or incomplete.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory for a picture of %1 × %2 pixels.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The drawing is too large to be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The drawing refers to another file (%1), which Inkpond does not read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The picture is %1 × %2 pixels; a sheet can be at most %3 pixels wide and high.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opening a picture of %1 × %2 pixels needs about %3 MB of memory, and only %4 MB is free.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PictureOpenRaster</name>
    <message>
        <source>There is not enough memory to assemble the layers.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PngBands</name>
    <message>
        <source>There is not enough memory to write the picture.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The picture could not be written as PNG.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory to flatten the picture.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The picture&apos;s data is damaged or incomplete.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The picture is %1 × %2 pixels; a sheet can be at most %3 pixels wide and high.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The data is not a PNG picture.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory to read the picture.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory for a picture of %1 × %2 pixels.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PopupPalette</name>
    <message>
        <source>Plain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ruled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Grid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>See-through</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 pt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layer Below</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layer Above</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>−15°</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rotate Left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>+15°</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rotate Right</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Line</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The next two clicks draw a straight line</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Line Chain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Each click draws a straight line on from the last; Esc ends</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PreferencesDialog</name>
    <message>
        <source>Linear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Soft</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Custom</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Brush outline</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Crosshair</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Outline and crosshair</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pen</source>
        <translation type="unfinished">Pen</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PreferencesPanel</name>
    <message>
        <source>Preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tablet Pressure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pressure &amp;curve:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Minimum width:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The narrowest line the lightest touch paints, as a share of the slot&apos;s width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Strokes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Smoothing:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>How far the stroke trails the pen to steady it; 0 paints every sample as it comes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For tablets that report their pen tip as the eraser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Treat every pointer as the pen tip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Undo steps:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>How many strokes can be undone; fewer merges the oldest into the picture for good</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Brushes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Color &amp;1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Color &amp;2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Color &amp;3:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Color &amp;4:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Eraser:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The shape the eraser takes away</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Airbrush &amp;hardness:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pointer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;While hovering, show:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>What the canvas draws under the pen or the mouse before a press</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>How far out from its centre the airbrush paints at full strength; 0 fades from the centre</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PressureCurveView</name>
    <message>
        <source>Pressure curve</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drag a point to shape the curve; double-click adds a point, right-click removes one.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QualityDialog</name>
    <message>
        <source>%1 Quality</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Higher keeps more detail in a larger file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Quality:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecoveryManager</name>
    <message>
        <source>Untitled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory for a picture of %1 × %2 pixels.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The document&apos;s window could not be made.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The document was closed while it was being restored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inkpond</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” could not be restored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inkpond did not quit normally, and a picture had unsaved changes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inkpond did not quit normally, and %1 pictures had unsaved changes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore it to go on where you left off: it opens as it was after its last finished stroke.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore them to go on where you left off: each opens as it was after its last finished stroke.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Discard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Later</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>nothing to recover</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot make the folder %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is damaged: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” could not be restored: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” restored to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” could not be saved to %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” cannot be restored: %2 It is kept until you discard it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is damaged: %2 What can be read will be restored, and the record is kept until the picture is saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is kept in %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecoveryRecord</name>
    <message>
        <source>The description of the picture is missing or damaged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The picture the document started from was not kept: its file “%1”, as it is now, stands in for it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The picture the document started from is missing or damaged: a blank sheet stands in for it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The record is damaged from line %1 on: the strokes before it are kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The strokes of the picture cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The strokes made since the picture was last opened, saved or cleared cannot be placed; they are kept in the record.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecoveryTap</name>
    <message>
        <source>There is not enough memory to keep the picture it starts from.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inkpond</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” can no longer be kept for recovery after a crash.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save your picture to keep it safe. The reason: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ResizePanel</name>
    <message>
        <source>Custom Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New size of the sheet, in points:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Width:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Height:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished">Cancel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SaveProgress</name>
    <message>
        <source>Cancel</source>
        <translation type="unfinished">Cancel</translation>
    </message>
    <message>
        <source>Saving… %p %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop saving; the file stays as it was</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ShortcutsPage</name>
    <message>
        <source>&amp;Clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter by command or key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Command</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore &amp;Defaults</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shortcut:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is already the shortcut of “%2” (%3).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you want to give it to “%1” instead?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Take It Over</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TabletMonitor</name>
    <message>
        <source>udev cannot be reached.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no tablet found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot read %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Reading tablets directly needs membership of the input group.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is no input device.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>tablet monitor: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TiffBands</name>
    <message>
        <source>The picture could not be written as TIFF.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The picture is too large for a TIFF file.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Toolbar</name>
    <message>
        <source>Space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Flexible Space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Separator</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ToolbarCustomizeDialog</name>
    <message>
        <source>&amp;Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move &amp;Up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move &amp;Down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Customize Toolbar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use &amp;Default Set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Items you can add:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Toolbar, from left to right:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZoomIndicator</name>
    <message>
        <source>Zoom</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type a zoom in percent and press Enter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1°</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mirrored</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a zoom: type a percentage from %1 to %2, or press Esc</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
