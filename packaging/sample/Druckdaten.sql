-- Sample print data of the demonstration station: a few lots with their parts. "$013" is a
-- carriage return, "$010" a line feed (the station expands these escapes before printing).
-- Printvars: what the label output fills into the objects of its gLabels layout.
CREATE TABLE Druckdaten (
    LosName TEXT,
    TeileNr INTEGER,
    Etikettendaten TEXT,
    Tintendruckdaten TEXT,
    Druckdaten1 TEXT,
    Druckdaten2 TEXT,
    Druckdaten3 TEXT,
    Printvars TEXT
);
INSERT INTO Druckdaten VALUES
  ('L1001', 1, '^XA^FO40,40^A0N,40^FDLot L1001 part 1^FS^XZ$013$010', 'L1001/1 INK',
   'SIZE 60 mm$013$010TEXT "L1001-1"', NULL, NULL, NULL),
  ('L1001', 2, '^XA^FO40,40^A0N,40^FDLot L1001 part 2^FS^XZ$013$010', 'L1001/2 INK',
   NULL, NULL, NULL,
   '<Label><Artikel>Hydraulikpumpe 24 V</Artikel><Los>L1001-2</Los></Label>'),
  ('L2002', 1, '^XA^FO40,40^A0N,40^FDLot L2002 Größe 5^FS^XZ$013$010', 'L2002/1 INK',
   NULL, NULL, NULL, NULL);
