-- Corvandelle: the six tables on a PostgreSQL server, the same columns as schema.sql.
-- Identifiers are unquoted, so the server folds them to lower case; every query of the
-- program is written unquoted too and finds them. Numbers come from identity columns,
-- GENERATED ALWAYS: the server alone gives them, and never gives one twice.
-- Amounts are double precision (real would be 4 bytes there); booleans are integers,
-- compared as Comedien <> 0, as on the file base.

CREATE TABLE Vendeur (
  NoVendeur integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  NomVendeur text NOT NULL,
  Comedien integer NOT NULL DEFAULT 0,
  NomVendeurMaj text
);
CREATE INDEX IX_Vendeur_NomVendeur ON Vendeur (NomVendeur);
CREATE INDEX IX_Vendeur_NomVendeurMaj ON Vendeur (NomVendeurMaj);

CREATE TABLE Piece (
  NoPiece integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  NomPiece text NOT NULL,
  NomPieceMaj text
);
CREATE INDEX IX_Piece_NomPiece ON Piece (NomPiece);
CREATE INDEX IX_Piece_NomPieceMaj ON Piece (NomPieceMaj);

CREATE TABLE Representation (
  NoRepresentation integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  NoPiece integer NOT NULL,
  DateRepresentation text NOT NULL
);
CREATE INDEX IX_Representation_Piece_Date ON Representation (NoPiece, DateRepresentation);

CREATE TABLE InfoClientReservation (
  NoClient integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  DateReservation text NOT NULL,
  MontantTotal double precision NOT NULL DEFAULT 0,
  NomClient text NOT NULL,
  TelephoneClient text NOT NULL DEFAULT '',
  NbForfaits integer NOT NULL DEFAULT 0
);

CREATE TABLE InfoReservation (
  NoLigne bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  NoClient integer NOT NULL,
  NoRepresentation integer NOT NULL,
  NbEnfant integer NOT NULL DEFAULT 0,
  NbAdulte integer NOT NULL DEFAULT 0,
  Cout double precision NOT NULL DEFAULT 0,
  VentePorte integer NOT NULL DEFAULT 0,
  NoVendeur integer NOT NULL
);
CREATE INDEX IX_InfoReservation_NoClient ON InfoReservation (NoClient);
CREATE INDEX IX_InfoReservation_NoRepresentation ON InfoReservation (NoRepresentation);

CREATE TABLE InventaireBillets (
  NoMouvement bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  NoRepresentation integer NOT NULL,
  NoVendeur integer NOT NULL,
  Nombre integer NOT NULL CHECK (Nombre BETWEEN -32768 AND 32767),
  DateTransaction text NOT NULL,
  Commentaire text NOT NULL DEFAULT ''
);
CREATE INDEX IX_InventaireBillets_NoRepresentation ON InventaireBillets (NoRepresentation, Nombre);
