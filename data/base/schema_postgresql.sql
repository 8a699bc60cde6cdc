-- Corvandelle: the six tables on a PostgreSQL server, the same columns, keys and indexes as schema.sql.
-- Identifiers are unquoted, so the server folds them to lower case; every query of the
-- program is written unquoted too and finds them. Numbers come from identity columns,
-- GENERATED ALWAYS: the server alone gives them, and never gives one twice.
-- Whole numbers are bigint, as SQLite's INTEGER is 64 bits: a row written from outside
-- holds the same values on both engines. Amounts are double precision (real would be
-- 4 bytes there); booleans are integers, compared as Comedien <> 0, as on the file base.

CREATE TABLE Vendeur (
  NoVendeur bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  NomVendeur text NOT NULL,
  Comedien bigint NOT NULL DEFAULT 0,
  NomVendeurMaj text
);
CREATE INDEX IX_Vendeur_NomVendeur ON Vendeur (NomVendeur);
CREATE INDEX IX_Vendeur_NomVendeurMaj ON Vendeur (NomVendeurMaj);

CREATE TABLE Piece (
  NoPiece bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  NomPiece text NOT NULL,
  NomPieceMaj text
);
CREATE INDEX IX_Piece_NomPiece ON Piece (NomPiece);
CREATE INDEX IX_Piece_NomPieceMaj ON Piece (NomPieceMaj);

CREATE TABLE Representation (
  NoRepresentation bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  NoPiece bigint NOT NULL,
  DateRepresentation text NOT NULL
);
CREATE INDEX IX_Representation_Piece_Date ON Representation (NoPiece, DateRepresentation);

CREATE TABLE InfoClientReservation (
  NoClient bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  DateReservation text NOT NULL,
  MontantTotal double precision NOT NULL DEFAULT 0,
  NomClient text NOT NULL,
  TelephoneClient text NOT NULL DEFAULT '',
  NbForfaits bigint NOT NULL DEFAULT 0
);

CREATE TABLE InfoReservation (
  NoLigne bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  NoClient bigint NOT NULL,
  NoRepresentation bigint NOT NULL,
  NbEnfant bigint NOT NULL DEFAULT 0,
  NbAdulte bigint NOT NULL DEFAULT 0,
  Cout double precision NOT NULL DEFAULT 0,
  VentePorte bigint NOT NULL DEFAULT 0,
  NoVendeur bigint NOT NULL
);
CREATE INDEX IX_InfoReservation_NoClient ON InfoReservation (NoClient);
CREATE INDEX IX_InfoReservation_NoRepresentation ON InfoReservation (NoRepresentation);

CREATE TABLE InventaireBillets (
  NoMouvement bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  NoRepresentation bigint NOT NULL,
  NoVendeur bigint NOT NULL,
  Nombre bigint NOT NULL CHECK (Nombre BETWEEN -32768 AND 32767),
  DateTransaction text NOT NULL,
  Commentaire text NOT NULL DEFAULT ''
);
CREATE INDEX IX_InventaireBillets_NoRepresentation ON InventaireBillets (NoRepresentation, Nombre);

-- For the reports, as in schema.sql. A base made by an earlier version lacks them and works,
-- only slower: the README says how an administrator adds them.
CREATE INDEX IX_InfoReservation_Ventes ON InfoReservation (NoRepresentation, NoClient, NbEnfant, NbAdulte, VentePorte, Cout);
CREATE INDEX IX_InfoReservation_Vendeur ON InfoReservation (NoVendeur, NoRepresentation, NoClient, NbEnfant, NbAdulte, Cout);
CREATE INDEX IX_InventaireBillets_Vendeur ON InventaireBillets (NoVendeur, NoRepresentation, Nombre);
CREATE INDEX IX_InfoClientReservation_Date ON InfoClientReservation (DateReservation);

-- The evening at the door. A base made before these tables has none of them: the program
-- creates each one inside the first transaction that writes it, and reads "nothing set"
-- while it is absent. Amounts are stored as Cout is.
CREATE TABLE CapaciteRepresentation (
  NoRepresentation bigint NOT NULL PRIMARY KEY,
  Capacite bigint NOT NULL
);

CREATE TABLE TarifPiece (
  NoPiece bigint NOT NULL PRIMARY KEY,
  PrixEnfant double precision NOT NULL DEFAULT 0,
  PrixAdulte double precision NOT NULL DEFAULT 0
);

CREATE TABLE ArriveeCommande (
  NoClient bigint NOT NULL,
  NoRepresentation bigint NOT NULL,
  NbArrives bigint NOT NULL DEFAULT 0,
  DateArrivee text NOT NULL,
  PRIMARY KEY (NoClient, NoRepresentation)
);

CREATE TABLE ReglageBilletterie (
  Cle text NOT NULL PRIMARY KEY,
  Valeur text NOT NULL
);

-- ON DEMAND: the tables below belong to the program but are not made with the six: each is
-- created (with its indexes) inside the transaction of the first write that needs it, so that
-- opening a base never changes it. Every reader takes a missing table for an empty one.

-- Cancelled orders (see schema.sql).
CREATE TABLE AnnulationCommande (
  NoClient bigint NOT NULL PRIMARY KEY,
  DateAnnulation text NOT NULL,
  Motif text NOT NULL DEFAULT ''
);

-- One row per order, stock movement or exchange written, under the token the station made
-- before writing it: a commit whose answer was lost is settled by looking the token up, so
-- nothing is ever written twice. Numeros holds the numbers the unit made (see schema.sql).
CREATE TABLE JetonOperation (
  Jeton text NOT NULL PRIMARY KEY,
  Numeros text NOT NULL DEFAULT '',
  DateJeton text NOT NULL
);

-- Clients whose details were erased on request (order number, when): applied again after a
-- restore from a copy made before the erasure.
CREATE TABLE EffacementClient (
  NoClient bigint NOT NULL PRIMARY KEY,
  DateEffacement text NOT NULL
);

-- Employees' accounts: Empreinte is an Argon2id string (salt and costs inside), never the
-- password. Nom holds the name as typed; its uniqueness, blind to case and accents, is the program's.
CREATE TABLE CompteEmploye (
  NoCompte bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  Nom text NOT NULL UNIQUE,
  Role text NOT NULL,
  Empreinte text NOT NULL,
  Actif bigint NOT NULL DEFAULT 1
);

-- The journal of operations: each row's Empreinte chains it to the row before (SHA-256), so a
-- row changed, deleted or inserted later shows. NoOperation is given by the program, under the
-- journal's lock, since the chain covers it. Written once, never updated.
CREATE TABLE JournalOperation (
  NoOperation bigint NOT NULL PRIMARY KEY,
  Moment text NOT NULL,
  Poste text NOT NULL,
  Employe text NOT NULL,
  Action text NOT NULL,
  Objet text NOT NULL,
  Detail text NOT NULL,
  Empreinte text NOT NULL
);

-- Door sales paid at a till (see schema.sql).
CREATE TABLE PaiementCommande (
  NoClient bigint NOT NULL PRIMARY KEY,
  Mode text NOT NULL,
  Reference text NOT NULL DEFAULT '',
  Poste text NOT NULL DEFAULT ''
);
CREATE INDEX IX_PaiementCommande_Poste ON PaiementCommande (Poste, Mode);

-- A station's till closed for one performance, never changed (see schema.sql).
CREATE TABLE FermetureCaisse (
  NoFermeture bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  NoRepresentation bigint NOT NULL,
  Poste text NOT NULL,
  DateFermeture text NOT NULL,
  FondCaisse bigint NOT NULL DEFAULT 0,
  EspecesAttendues bigint NOT NULL DEFAULT 0,
  EspecesComptees bigint NOT NULL DEFAULT 0,
  Ecart bigint NOT NULL DEFAULT 0,
  Carte bigint NOT NULL DEFAULT 0,
  Cheque bigint NOT NULL DEFAULT 0,
  Autre bigint NOT NULL DEFAULT 0,
  Detail text NOT NULL DEFAULT '',
  Commentaire text NOT NULL DEFAULT ''
);
CREATE INDEX IX_FermetureCaisse_Representation ON FermetureCaisse (NoRepresentation, Poste);
